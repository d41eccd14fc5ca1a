// Finding the device among the printer-class driver's device interfaces, the
// system's generation that decides how the hardware IDs are read, and the link's
// requests and writes over the printer-class handles.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/sim/scenario.h"
#include "device/usb_wire.h"
#include "support/image_bytes.h"
#include "support/sim_world.h"

namespace {

using sim::PrinterInterface;
using Property = sim::PrinterInterface::Property;

constexpr char kInterfaceId[] = "USB\\VID_FA17&PID_0C3E&MI_01";
constexpr char kRevisionId[] = "USB\\VID_FA17&PID_0C3E&REV_0100&MI_01";

std::string PathOf(int instance) {
  char path[128];
  std::snprintf(path, sizeof path,
                "\\\\?\\usb#vid_fa17&pid_0c3e&mi_01#7&1a2b3c&0&%04d#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", instance);
  return path;
}

// An interface with a master controller of its own, so that which one was
// opened shows in the path alone.
PrinterInterface Printer(int instance, std::vector<std::string> ids = {kRevisionId, kInterfaceId},
                         Property property = Property::Present) {
  PrinterInterface printer;
  printer.path = PathOf(instance);
  printer.hardwareIds = std::move(ids);
  printer.property = property;
  printer.behind = PrinterInterface::Behind::AnotherController;
  return printer;
}

// Another maker's printer.
PrinterInterface Foreign(int instance, std::vector<std::string> ids) {
  PrinterInterface printer = Printer(instance, std::move(ids));
  printer.behind = PrinterInterface::Behind::ForeignPrinter;
  return printer;
}

using testing_support::ExpectedImageHeader;
using testing_support::PatternedImage;

class PrinterClass : public testing_support::SimWorld {
 protected:
  // A world of printer-class interfaces only; the link looks for kInterfaceId.
  void StartWith(std::vector<PrinterInterface> printers, sim::SystemVersion system = {}) {
    sim::Scenario scenario;
    scenario.devicePresent = false;
    scenario.printers = std::move(printers);
    scenario.system = system;
    Start(scenario);
    UsePrinterTransport(kInterfaceId);
  }
  void UsePrinterTransport(const char* deviceId) {
    link.transport = 0;
    std::strcpy(link.deviceId, deviceId);
  }
  // Every set that was made was destroyed, once.
  void ExpectSetsDestroyed(int made, const std::string& what) {
    sim::PrinterClass::Counts sets = Bus().PrinterSets();
    EXPECT_EQ(sets.setsOpened, made) << what;
    EXPECT_EQ(sets.openSets, 0) << what;
    EXPECT_EQ(sets.badSetCloses, 0) << what;
  }
};

TEST_F(PrinterClass, TheFirstDeviceWhoseHardwareIdsHoldTheSoughtIdIsOpenedTwice) {
  struct Case {
    const char* what;
    const char* sought;
    std::vector<PrinterInterface> printers;
    int opened;  // the instance whose path is opened; -1: none, and the result is 0
  };
  const Case cases[] = {
      {"sought in small letters", "usb\\vid_fa17&pid_0c3e&mi_01", {Printer(1)}, 1},
      {"listed in small letters", kInterfaceId, {Printer(1, {"usb\\vid_fa17&pid_0c3e&mi_01"})}, 1},
      {"the first entry", kRevisionId, {Printer(1)}, 1},
      {"the second entry", kInterfaceId, {Printer(1)}, 1},
      {"a prefix of every entry", "USB\\VID_FA17&PID_0C3E", {Printer(1)}, -1},
      {"longer than every entry", "USB\\VID_FA17&PID_0C3E&MI_011", {Printer(1)}, -1},
      {"another maker's printer first", kInterfaceId, {Foreign(1, {"USB\\VID_0A0B&PID_0001"}), Printer(2)}, 2},
      {"two matching devices", kInterfaceId, {Printer(3), Printer(2)}, 3},
      {"no interface at all", kInterfaceId, {}, -1},
      {"no matching device", kInterfaceId, {Foreign(1, {"USB\\VID_0A0B&PID_0001", "USB\\VID_0A0B"})}, -1},
      {"a device without the property", kInterfaceId, {Printer(1, {kInterfaceId}, Property::Missing), Printer(2)}, 2},
      {"a property that cannot be read", kInterfaceId, {Printer(1, {}, Property::Unreadable), Printer(2)}, -1},
  };
  for (const Case& c : cases) {
    StartWith(c.printers);
    UsePrinterTransport(c.sought);
    int found = c.opened >= 0 ? 1 : 0;
    EXPECT_EQ(OpenPrinterClassPort(&link), found) << c.what;
    std::vector<std::string> expected;
    if (found) expected = {PathOf(c.opened), PathOf(c.opened)};
    EXPECT_EQ(OpenedPaths(), expected) << c.what;
    for (const sim::Call& open : CallsOf(sim::Call::Open)) EXPECT_EQ(open.code, kPrinterClassOpenAttributes) << c.what;
    EXPECT_EQ(printerHandle != driver::kInvalidHandle, found == 1) << c.what;
    EXPECT_EQ(printerSecondHandle != driver::kInvalidHandle, found == 1) << c.what;
    if (found) {
      EXPECT_NE(printerHandle, printerSecondHandle) << c.what;
    }
    EXPECT_EQ(controlHandle, driver::kInvalidHandle) << c.what;
    ExpectSetsDestroyed(1, c.what);
    CloseDevice(&link);
    EXPECT_EQ(Bus().OpenHandles(), 0) << c.what;
    EXPECT_EQ(Bus().BadCloses(), 0) << c.what;
  }
}

TEST_F(PrinterClass, WhenTheSecondOpenFailsTheFirstHandleIsReleased) {
  PrinterInterface printer = Printer(1);
  printer.secondOpenFails = true;
  StartWith({printer});
  EXPECT_EQ(OpenPrinterClassPort(&link), 0);
  auto calls = Bus().Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_TRUE(calls[0].kind == sim::Call::Open && calls[0].ok);
  EXPECT_TRUE(calls[1].kind == sim::Call::Open && !calls[1].ok);
  EXPECT_EQ(calls[2].kind, sim::Call::Close);
  EXPECT_EQ(calls[2].handle, calls[0].handle);
  EXPECT_EQ(printerHandle, driver::kInvalidHandle);
  EXPECT_EQ(printerSecondHandle, driver::kInvalidHandle);
  EXPECT_EQ(Bus().OpenHandles(), 0);
  ExpectSetsDestroyed(1, "second open");
}

TEST_F(PrinterClass, RequestsAndAWholeImageReachTheControllerThroughThePrinterHandle) {
  sim::Scenario scenario;
  scenario.printerPresent = true;
  Start(scenario);
  UsePrinterTransport(kInterfaceId);
  ASSERT_EQ(OpenDevice(&link), 1);
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{sim::DevicePrinterInterface().path,
                                                     sim::DevicePrinterInterface().path}));
  Bus().ClearCalls();

  std::array<uint8_t, kVersionReplyLength> reply{};
  ASSERT_EQ(ControlRequest(&link, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply.data()), 1);
  EXPECT_EQ(reply[kStatusByte], 0);
  ASSERT_EQ(ControlRequest(&link, REQ_GET_VERSION, 0, 0, kVersionReplyLength, reply.data()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.data() + kVersionTextAt)), "MZ5100P V2.50a-3");
  auto controls = CallsOf(sim::Call::Control);
  ASSERT_EQ(controls.size(), 2u);
  for (const sim::Call& control : controls) {
    EXPECT_EQ(control.handle, printerHandle);
    EXPECT_EQ(control.code, IOCTL_USBPRINT_VENDOR_GET_COMMAND);
  }
  EXPECT_EQ(controls[1].input, (std::vector<uint8_t>{REQ_GET_VERSION, 0, 0, 0}));
  EXPECT_EQ(controls[1].done, kVersionReplyLength);

  auto image = PatternedImage(2 * IMAGE_CHUNK_SIZE + 123);
  auto header = ExpectedImageHeader(static_cast<uint32_t>(image.size()));
  ASSERT_EQ(WriteDevice(&link, header.data(), kImageHeaderSize), 1);
  for (size_t sent = 0; sent < image.size(); sent += IMAGE_CHUNK_SIZE) {
    auto count = static_cast<uint32_t>(std::min<size_t>(IMAGE_CHUNK_SIZE, image.size() - sent));
    ASSERT_EQ(WriteDevice(&link, image.data() + sent, count), 1);
  }
  for (const sim::Call& write : CallsOf(sim::Call::Write)) EXPECT_EQ(write.handle, printerHandle);
  sim::Controller* device = Bus().DeviceController();
  EXPECT_EQ(device->ImageState(), sim::Controller::Image::Arrived);
  EXPECT_EQ(device->ImageBytes(), image.size());
  EXPECT_EQ(device->ImageChecksum(), sim::ImageChecksumOf(image.data(), image.size()));
  ASSERT_EQ(ControlRequest(&link, REQ_GET_PROGRESS, 0, 0, kProgressReplyLength, reply.data()), 1);
  EXPECT_EQ(reply[kProgressByte], 0);  // the first reading of the scenario's 0, 20, ... 100
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);
}

TEST_F(PrinterClass, ADeviceSwitchedOffLeavesTheSetAndKillsItsHandlesUntilOpenedAgain) {
  sim::Scenario scenario;
  scenario.printerPresent = true;
  scenario.progress = {100};
  Start(scenario);
  UsePrinterTransport(kInterfaceId);
  ASSERT_EQ(OpenDevice(&link), 1);
  auto image = PatternedImage(10);
  auto header = ExpectedImageHeader(10);
  ASSERT_EQ(WriteDevice(&link, header.data(), kImageHeaderSize), 1);
  ASSERT_EQ(WriteDevice(&link, image.data(), 10), 1);
  std::array<uint8_t, kVersionReplyLength> reply{};
  ASSERT_EQ(ControlRequest(&link, REQ_GET_PROGRESS, 0, 0, kProgressReplyLength, reply.data()), 1);
  ASSERT_EQ(reply[kProgressByte], 100);

  platform::AdvanceVirtualClock(3000);  // switched off
  EXPECT_EQ(ControlRequest(&link, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply.data()), 0);
  EXPECT_EQ(WriteDevice(&link, header.data(), kImageHeaderSize), 0);
  Bus().ClearCalls();
  EXPECT_EQ(OpenDevice(&link), 0);
  EXPECT_EQ(printerHandle, driver::kInvalidHandle);
  EXPECT_TRUE(CallsOf(sim::Call::Open).empty());  // the set holds no interface while it is off

  platform::AdvanceVirtualClock(2000);  // and on again
  ASSERT_EQ(OpenDevice(&link), 1);
  ASSERT_EQ(ControlRequest(&link, REQ_GET_VERSION, 0, 0, kVersionReplyLength, reply.data()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.data() + kVersionTextAt)), "MZ5100P V2.60a-3");
  EXPECT_EQ(Bus().BadCloses(), 0);
  ExpectSetsDestroyed(3, "power cycle");
}

TEST_F(PrinterClass, TheSystemsGeneration) {
  struct Case {
    sim::SystemVersion system;
    int generation;
  };
  const Case cases[] = {
      {{0, 3, 10}, 0},    {{0, 4, 0}, 0},     {{1, 4, 0}, 1400},   {{1, 4, 10}, 1410}, {{1, 4, 90}, 1490},
      {{1, 4, 20}, 0},    {{1, 5, 0}, 0},     {{2, 3, 51}, 2400},  {{2, 4, 0}, 2400},  {{2, 5, 0}, 2500},
      {{2, 5, 1}, 2501},  {{2, 5, 2}, 2502},  {{2, 6, 0}, 2502},   {{2, 6, 1}, 2502},  {{2, 10, 0}, 2502},
      {{3, 10, 0}, 0},    {{2, 10, 0, false}, 0},
  };
  for (const Case& c : cases) {
    StartWith({}, c.system);
    EXPECT_EQ(GetOsGeneration(), c.generation)
        << c.system.platform << "/" << c.system.major << "." << c.system.minor
        << (c.system.readable ? "" : " unreadable");
  }
}

// Older systems answer the property read in the opposite sense; the discovery
// follows the system's generation, and on every system skips a device without the
// property and finds the next.
TEST_F(PrinterClass, TheHardwareIdsAreReadAsEachSystemAnswers) {
  const sim::SystemVersion systems[] = {{1, 4, 0}, {1, 4, 10}, {1, 4, 90}, {2, 3, 51}, {2, 4, 0},
                                        {2, 5, 0}, {2, 5, 1},  {2, 6, 1},  {2, 10, 0}};
  for (const sim::SystemVersion& system : systems) {
    std::string what = std::to_string(system.platform) + "/" + std::to_string(system.major) + "." +
                       std::to_string(system.minor);
    StartWith({Printer(1, {kInterfaceId}, Property::Missing), Foreign(2, {"USB\\VID_0A0B&PID_0001"}), Printer(3)},
              system);
    EXPECT_EQ(sim::ReadsPropertiesTheOldWay(system), GetOsGeneration() <= 2400) << what;
    EXPECT_EQ(OpenPrinterClassPort(&link), 1) << what;
    EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{PathOf(3), PathOf(3)})) << what;
    EXPECT_EQ(Bus().PrinterSets().propertyReads, 1 + 2 + 2) << what;  // the missing one is asked once
    ExpectSetsDestroyed(1, what);
    CloseDevice(&link);
  }
}

}  // namespace
