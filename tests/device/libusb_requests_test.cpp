#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/libusb/advice.h"
#include "device/libusb/requests.h"
#include "device/protocol.h"

namespace {

using lusb::ControlSetup;

std::vector<uint8_t> Record(const IoBlockEx& block) {
  std::vector<uint8_t> bytes(sizeof block);
  std::memcpy(bytes.data(), &block, sizeof block);
  return bytes;
}

IoBlockEx VendorIn(uint8_t request, uint32_t value, uint32_t index, uint32_t length) {
  IoBlockEx block{};
  block.uOffset = value;
  block.uLength = length;
  block.uIndex = index;
  block.bRequest = request;
  block.bmRequestType = kVendorInInterface;
  block.fTransferDirectionIn = 1;
  return block;
}

struct IoBlockCase {
  const char* what;
  IoBlockEx block;
  uint32_t replySize;
  std::optional<ControlSetup> expected;
};

TEST(LibusbIoBlock, DecodesEachFieldIntoItsSetupFieldOrRefuses) {
  IoBlockEx outward = VendorIn(0x05, 0, 0, 0);
  outward.bmRequestType = 0x41;
  outward.fTransferDirectionIn = 0;
  IoBlockEx contradicting = VendorIn(0x05, 0, 0, 0);
  contradicting.fTransferDirectionIn = 0;
  const IoBlockCase cases[] = {
      {"value, index, length in place", VendorIn(0x21, 0xBEEF, 0x0102, 8), 8, ControlSetup{0xC1, 0x21, 0xBEEF, 0x0102, 8}},
      {"reply buffer larger than the data stage", VendorIn(0x01, 1, 0, 2), 64, ControlSetup{0xC1, 0x01, 1, 0, 2}},
      {"no data stage", VendorIn(0x7F, 0xFFFF, 0xFFFF, 0), 0, ControlSetup{0xC1, 0x7F, 0xFFFF, 0xFFFF, 0}},
      {"host-to-device request", outward, 0, ControlSetup{0x41, 0x05, 0, 0, 0}},
      {"data stage beyond the reply buffer", VendorIn(0x01, 0, 0, 9), 8, std::nullopt},
      {"value over 16 bits", VendorIn(0x01, 0x10000, 0, 0), 0, std::nullopt},
      {"index over 16 bits", VendorIn(0x01, 0, 0x10000, 0), 0, std::nullopt},
      {"length over 16 bits", VendorIn(0x01, 0, 0, 0x10000), 0x20000, std::nullopt},
      {"direction flag against the request type", contradicting, 0, std::nullopt},
  };
  for (const IoBlockCase& c : cases) {
    EXPECT_EQ(lusb::DecodeIoBlock(Record(c.block), c.replySize), c.expected) << c.what;
  }
}

TEST(LibusbIoBlock, AShortRecordIsRefused) {
  std::vector<uint8_t> bytes = Record(VendorIn(0x01, 0, 0, 0));
  bytes.pop_back();
  EXPECT_EQ(lusb::DecodeIoBlock(bytes, 0), std::nullopt);
  EXPECT_EQ(lusb::DecodeIoBlock({}, 0), std::nullopt);
}

struct CommandCase {
  const char* what;
  std::vector<uint8_t> command;
  uint8_t interfaceNumber;
  uint32_t replySize;
  std::optional<ControlSetup> expected;
};

TEST(LibusbPrinterCommand, BecomesAVendorRequestToTheInterface) {
  const CommandCase cases[] = {
      {"value least significant byte first", {0x10, 0x00, 0x34, 0x12}, 0, 4, ControlSetup{0xC1, 0x10, 0x1234, 0, 4}},
      {"wIndex is the interface number", {0x02, 0x00, 0x01, 0x00}, 3, 16, ControlSetup{0xC1, 0x02, 0x0001, 3, 16}},
      {"the second byte is not part of the value", {0x02, 0xAA, 0x00, 0x80}, 1, 1, ControlSetup{0xC1, 0x02, 0x8000, 1, 1}},
      {"largest reply", {0x02, 0x00, 0x00, 0x00}, 0, 0xFFFF, ControlSetup{0xC1, 0x02, 0, 0, 0xFFFF}},
      {"reply over 16 bits", {0x02, 0x00, 0x00, 0x00}, 0, 0x10000, std::nullopt},
      {"three bytes", {0x02, 0x00, 0x00}, 0, 4, std::nullopt},
      {"five bytes", {0x02, 0x00, 0x00, 0x00, 0x00}, 0, 4, std::nullopt},
  };
  for (const CommandCase& c : cases) {
    EXPECT_EQ(lusb::DecodePrinterCommand(c.command, c.interfaceNumber, c.replySize), c.expected) << c.what;
  }
}

TEST(LibusbStillImageDescriptor, CarriesTheIdentifiersAndUsEnglish) {
  StillImageDescriptor descriptor = lusb::DescribeStillImage(0xFA17, 0x0C3E, 0x0105);
  uint8_t bytes[sizeof descriptor];
  std::memcpy(bytes, &descriptor, sizeof descriptor);
  // The layout the discovery reads: four little-endian 16-bit fields.
  const uint8_t expected[] = {0x17, 0xFA, 0x3E, 0x0C, 0x05, 0x01, 0x09, 0x04};
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + sizeof bytes), std::vector<uint8_t>(expected, expected + 8));
}

// The version read tries 30 times a second apart: on a device that never
// answers, it must still end within a minute, yet a device may take the 500 ms
// USB 2.0 allows for a data stage. The device writing its memory may answer the
// progress request late, and a late answer reads as none.
TEST(LibusbControlTimeout, BoundsTheVersionReadAndWaitsForAWritingDevice) {
  EXPECT_GT(lusb::ControlTimeoutMs(REQ_GET_VERSION), 500u);
  EXPECT_LE(30 * (lusb::ControlTimeoutMs(REQ_GET_VERSION) + 1000), 60000u);
  EXPECT_GE(lusb::ControlTimeoutMs(REQ_GET_PROGRESS), 5000u);
  EXPECT_GE(lusb::ControlTimeoutMs(REQ_GET_STATUS), 5000u);
}

TEST(LibusbAdvice, NamesTheCauseOfARefusedOpen) {
  struct Case {
    int error;
    bool busFolderPresent;
    std::optional<lusb::Advice> expected;
  };
  const Case cases[] = {
      {EACCES, true, lusb::Advice::Permission}, {EPERM, true, lusb::Advice::Confinement},
      {ENOENT, false, lusb::Advice::NoDeviceFile},
      // The file gone with its bus folder there: the device is leaving, nothing to advise.
      {ENOENT, true, std::nullopt}, {EIO, true, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lusb::CauseOfRefusedOpen(c.error, c.busFolderPresent), c.expected) << c.error;
  }
  EXPECT_NE(lusb::AdviceText(lusb::Advice::NoDeviceFile, "/dev/bus/usb/001/005").find("/dev/bus/usb/001/005"),
            std::string::npos);
}

// The connection error shows the causes noted since the previous one, each once,
// also those standard error was given before or is not given at all.
TEST(LibusbAdvice, TheConnectionErrorTakesTheCausesNotedSinceThePreviousOne) {
  const std::string held = "Another program holds the scanner interface of the device (USB FA17:0C3E); close scanning "
                           "programs, photo and camera importers and any other copy of the updater, then try again.";
  lusb::TakeNotedAdvice();
  lusb::GiveAdvice(lusb::Advice::Held);
  lusb::GiveAdvice(lusb::Advice::NoDeviceFile, "/dev/bus/usb/001/005");
  lusb::GiveAdvice(lusb::Advice::Held);
  EXPECT_EQ(lusb::TakeNotedAdvice(), held + "\n\nThe device (USB FA17:0C3E) is attached, but its device file "
                                            "/dev/bus/usb/001/005 is missing. In a container, bind /dev/bus/usb in "
                                            "from the host; elsewhere, check that udev or devtmpfs creates the files "
                                            "under /dev/bus/usb.");
  EXPECT_EQ(lusb::TakeNotedAdvice(), "");
  lusb::NoteDeviceOpened();
  testing::internal::CaptureStderr();
  lusb::GiveAdvice(lusb::Advice::Held);
  lusb::GiveAdvice(lusb::Advice::NotFound);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(lusb::TakeNotedAdvice(), held + "\n\nNo USB device FA17:0C3E was found; check the cable and the device's "
                                            "power, that `lsusb` lists the device, and that the udev rule "
                                            "60-updater-device.rules is installed.");
}

}  // namespace
