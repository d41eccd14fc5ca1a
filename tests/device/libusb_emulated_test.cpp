// The libusb driver under the device link, against USB devices emulated below
// libusb: discovery among several devices, the control and bulk transfers as the
// device sees them, a device that goes away and comes back, and the advice given
// when the device may not be opened.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <thread>
#include <numeric>
#include <set>
#include <vector>

#include "device/driver.h"
#include "device/libusb/advice.h"
#include "device/libusb/session.h"
#include "device/link.h"
#include "device/protocol.h"
#include "device/sim/controller.h"
#include "device/usb_wire.h"
#include "resources/resources.h"
#include "support/emulated_usb.h"
#include "support/image_bytes.h"
#include "support/run_program.h"
#include "support/runtime_dir.h"
#include "update/transfer.h"

namespace {

using testing_support::EmulatedUsb;
using testing_support::PatternedImage;
using testing_support::SeenTransfer;
using testing_support::UpdaterDeviceSpec;
using testing_support::UsbDeviceSpec;

constexpr uint8_t kOurs = 5;
constexpr uint8_t kBulkOut = 0x02;
constexpr uint8_t kPrinterBulkOut = 0x03;

SeenTransfer Control(std::array<uint8_t, 8> setup) {
  return {SeenTransfer::Kind::Control, 0, setup, static_cast<uint32_t>(setup[6] | setup[7] << 8)};
}

std::vector<SeenTransfer> OfKind(const std::vector<SeenTransfer>& seen, SeenTransfer::Kind kind) {
  std::vector<SeenTransfer> kept;
  std::copy_if(seen.begin(), seen.end(), std::back_inserter(kept), [&](const SeenTransfer& t) { return t.kind == kind; });
  return kept;
}


class EmulatedUsbTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    bus_ = EmulatedUsb::Get(why);
    if (!bus_) GTEST_SKIP() << why;
    bus_->UnplugAll();
    ASSERT_TRUE(bus_->WaitForDevices(0));
    bus_->ClearSeen();
  }
  void TearDown() override {
    CloseDevice(&link_);
    if (bus_) bus_->UnplugAll();
  }

  // Plugs devices and waits until libusb lists them all.
  void PlugAll(const std::vector<std::pair<UsbDeviceSpec, sim::Controller*>>& devices) {
    for (const auto& [spec, controller] : devices) bus_->Plug(spec, controller);
    ASSERT_TRUE(bus_->WaitForDevices(devices.size()));
  }

  EmulatedUsb* bus_ = nullptr;
  sim::Scenario scenario_;
  sim::Controller controller_{scenario_};
  // As the program sets it up: the still-image driver, writes on the control
  // pipe's handle, pipe 1 held open.
  DeviceLink link_{1, "USB\\VID_FA17&PID_0C3E", 0, 1};
};

TEST_F(EmulatedUsbTest, FindsTheDeviceAmongOthersAndTouchesNoneOfThem) {
  UsbDeviceSpec hub{2, 0x1D6B, 0x0002, 0x0100, {{0x09, {0x81}, ""}}};
  UsbDeviceSpec scanner{3, 0x1B2C, 0x0201, 0x0200, {{0x06, {0x81, 0x02}, ""}}};
  UsbDeviceSpec printer{4, 0x1B2C, 0x0301, 0x0100, {{0x07, {0x01, 0x82}, "usblp"}}};
  UsbDeviceSpec vendorSpecific{6, 0x1B2C, 0x0401, 0x0100, {{0xFF, {0x01}, ""}}};
  PlugAll({{hub, nullptr}, {scanner, nullptr}, {printer, nullptr}, {UpdaterDeviceSpec(kOurs), &controller_},
           {vendorSpecific, nullptr}});

  // The still-image ports are the devices with a still-image or vendor-specific
  // interface; each describes its device.
  std::set<std::pair<uint16_t, uint16_t>> described;
  for (int port = 0; port < 4; ++port) {
    std::string path = "\\\\.\\Usbscan" + std::to_string(port) + "\\0";
    driver::Handle handle = driver::OpenDevicePath(path.c_str(), kStillImageOpenAttributes);
    if (port == 3) {
      EXPECT_EQ(handle, driver::kInvalidHandle) << path;
      continue;
    }
    ASSERT_NE(handle, driver::kInvalidHandle) << path;
    StillImageDescriptor descriptor{};
    uint32_t returned = 0;
    ASSERT_TRUE(driver::DeviceControl(handle, IOCTL_GET_DEVICE_DESCRIPTOR, nullptr, 0, &descriptor, sizeof descriptor,
                                      &returned));
    EXPECT_EQ(returned, sizeof descriptor);
    EXPECT_EQ(descriptor.usLanguageId, 0x0409);
    described.insert({descriptor.usVendorId, descriptor.usProductId});
    driver::CloseDeviceHandle(handle);
  }
  std::set<std::pair<uint16_t, uint16_t>> expected{{0x1B2C, 0x0201}, {0xFA17, 0x0C3E}, {0x1B2C, 0x0401}};
  EXPECT_EQ(described, expected);

  ASSERT_EQ(OpenDevice(&link_), 1);
  uint8_t reply[kStatusReplyLength] = {};
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 1);

  // Reading descriptors opens nothing; only our device was opened, saw a
  // request or a claim.
  for (uint8_t other : {uint8_t{2}, uint8_t{3}, uint8_t{4}, uint8_t{6}}) {
    EXPECT_EQ(bus_->Opens(other), 0) << "device " << int(other);
    EXPECT_TRUE(bus_->Seen(other).empty()) << "device " << int(other);
    EXPECT_TRUE(bus_->Claims(other).empty()) << "device " << int(other);
  }
  EXPECT_EQ(bus_->Seen(kOurs).size(), 1u);
}

TEST_F(EmulatedUsbTest, ControlRequestsReachTheDeviceAsEncoded) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  // The still-image interface is held from the open on, as the still-image
  // driver holds a port.
  EXPECT_EQ(bus_->Claims(kOurs), std::vector<std::string>{"+0"});

  uint8_t status[kStatusReplyLength];
  std::memset(status, 0x11, sizeof status);
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, status), 1);
  EXPECT_EQ(status[kStatusByte], 0);
  EXPECT_EQ(status[kStatusReplyLength - 1], 0xA5) << "the controller's filler came back";

  uint8_t version[kVersionReplyLength] = {};
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_VERSION, 0x1234, 0x0001, kVersionReplyLength, version), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(version + kVersionTextAt), 16), "MZ5100P V2.50a-3");

  // A request the controller does not know stalls, and the call fails.
  uint8_t unknown[16] = {};
  EXPECT_EQ(ControlRequest(&link_, 0x33, 0, 0, sizeof unknown, unknown), 0);

  std::vector<SeenTransfer> expected{
      Control({0xC1, REQ_GET_STATUS, 0, 0, 0, 0, 64, 0}),
      Control({0xC1, REQ_GET_VERSION, 0x34, 0x12, 0x01, 0x00, 128, 0}),
      Control({0xC1, 0x33, 0, 0, 0, 0, 16, 0}),
  };
  EXPECT_EQ(bus_->Seen(kOurs), expected);
  CloseDevice(&link_);
  EXPECT_EQ(bus_->Claims(kOurs), (std::vector<std::string>{"+0", "-0"}));
}

TEST_F(EmulatedUsbTest, AnImageGoesToTheBulkOutEndpointWhole) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);

  // Larger than one bulk transfer takes, so the link writes it in two.
  const std::vector<uint8_t> image = PatternedImage(1500000);
  const ImageHeader header = MakeImageHeader(static_cast<uint32_t>(image.size()));
  ASSERT_EQ(WriteDevice(&link_, header.bytes.data(), static_cast<uint32_t>(header.bytes.size())), 1);
  ASSERT_EQ(WriteDevice(&link_, image.data(), static_cast<uint32_t>(image.size())), 1);

  std::vector<SeenTransfer> bulk = OfKind(bus_->Seen(kOurs), SeenTransfer::Kind::Bulk);
  std::vector<uint32_t> lengths;
  for (const SeenTransfer& t : bulk) {
    EXPECT_EQ(t.endpoint, kBulkOut);
    lengths.push_back(t.length);
  }
  EXPECT_EQ(lengths, (std::vector<uint32_t>{64, 1048576, 451424}));
  // A device erasing its flash may hold the pipe that long.
  EXPECT_EQ(EmulatedUsb::LastBulkTimeoutMs(), 30000u);
  EXPECT_EQ(controller_.ImageState(), sim::Controller::Image::Arrived);
  EXPECT_EQ(controller_.ImageBytes(), image.size());
  EXPECT_EQ(controller_.ImageChecksum(), sim::ImageChecksumOf(image.data(), image.size()));
}

TEST_F(EmulatedUsbTest, TheDeviceVanishingMidTransferFailsTheWrite) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  // The device takes part of the transfer, then goes.
  bus_->Hold(kOurs, SeenTransfer::Kind::Bulk, 1024);
  auto unplugged = std::async(std::launch::async, [&] {
    bool held = bus_->WaitForHeld(kOurs);
    bus_->Unplug(kOurs);
    return held;
  });
  const std::vector<uint8_t> bytes = PatternedImage(4096);
  EXPECT_EQ(WriteDevice(&link_, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
  EXPECT_TRUE(unplugged.get());

  // Whatever follows on the dead handles fails at once.
  uint8_t reply[kStatusReplyLength];
  EXPECT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 0);
  EXPECT_EQ(WriteDevice(&link_, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
  EXPECT_EQ(CloseDevice(&link_), 1);
}

// A device that takes part of a transfer and stays: the write fails, nothing follows.
TEST_F(EmulatedUsbTest, AShortTransferFailsTheWrite) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  bus_->Shorten(kOurs, 1000);
  const std::vector<uint8_t> bytes = PatternedImage(4096);
  EXPECT_EQ(WriteDevice(&link_, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
  EXPECT_EQ(OfKind(bus_->Seen(kOurs), SeenTransfer::Kind::Bulk).size(), 1u);
}

// A stalled bulk endpoint fails the write and is cleared at once, so the write
// can be tried again without a new open or a power cycle.
TEST_F(EmulatedUsbTest, AStalledEndpointIsClearedAtOnce) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  bus_->Stall(kOurs, kBulkOut);
  const ImageHeader header = MakeImageHeader(4096);
  EXPECT_EQ(WriteDevice(&link_, header.bytes.data(), static_cast<uint32_t>(header.bytes.size())), 0);
  EXPECT_EQ(WriteDevice(&link_, header.bytes.data(), static_cast<uint32_t>(header.bytes.size())), 1);
  EXPECT_EQ(bus_->Claims(kOurs), (std::vector<std::string>{"+0", "clear 02"}));
  EXPECT_EQ(OfKind(bus_->Seen(kOurs), SeenTransfer::Kind::Bulk).size(), 2u);
}

// A device that takes a request and never answers it: the request is given up
// after its timeout (the version request's is short, so that its 30 tries end
// within a minute), and the device answers the next one.
TEST_F(EmulatedUsbTest, ARequestTheDeviceNeverAnswersTimesOut) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  bus_->Hold(kOurs, SeenTransfer::Kind::Control);
  uint8_t reply[kVersionReplyLength] = {};
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ControlRequest(&link_, REQ_GET_VERSION, 0, 0, kVersionReplyLength, reply), 0);
  std::printf("[ figures  ] a version request never answered ends after %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));

  bus_->Hold(kOurs, std::nullopt);
  EXPECT_EQ(ControlRequest(&link_, REQ_GET_VERSION, 0, 0, kVersionReplyLength, reply), 1);
  EXPECT_EQ(bus_->Seen(kOurs), std::vector<SeenTransfer>(2, Control({0xC1, REQ_GET_VERSION, 0, 0, 0, 0, 128, 0})));
}

TEST_F(EmulatedUsbTest, TheDeviceLeavesAndComesBackWithANewAddress) {
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller_}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  uint8_t reply[kStatusReplyLength];
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 1);

  // Switched off: the open link fails, and no port finds it.
  bus_->Unplug(kOurs);
  ASSERT_TRUE(bus_->WaitForDevices(0));
  EXPECT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 0);
  EXPECT_EQ(OpenDevice(&link_), 0);

  // Switched on again, the kernel gives it another address.
  constexpr uint8_t kAgain = 9;
  sim::Controller restarted(scenario_);
  PlugAll({{UpdaterDeviceSpec(kAgain), &restarted}});
  ASSERT_EQ(OpenDevice(&link_), 1);
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 1);
  EXPECT_EQ(bus_->Seen(kAgain), std::vector<SeenTransfer>{Control({0xC1, REQ_GET_STATUS, 0, 0, 0, 0, 64, 0})});
  EXPECT_EQ(bus_->Claims(kAgain), std::vector<std::string>{"+0"});
}

TEST_F(EmulatedUsbTest, ThePrinterClassInterfaceCarriesRequestsAndTheImage) {
  PlugAll({{UpdaterDeviceSpec(kOurs, true), &controller_}});
  link_ = DeviceLink{0, "USB\\VID_FA17&PID_0C3E&MI_01", 0, -1};
  ASSERT_EQ(OpenDevice(&link_), 1);

  uint8_t reply[kStatusReplyLength] = {};
  ASSERT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 1);
  const std::vector<uint8_t> image = PatternedImage(70000);
  const ImageHeader header = MakeImageHeader(static_cast<uint32_t>(image.size()));
  ASSERT_EQ(WriteDevice(&link_, header.bytes.data(), static_cast<uint32_t>(header.bytes.size())), 1);
  ASSERT_EQ(WriteDevice(&link_, image.data(), static_cast<uint32_t>(image.size())), 1);

  // The vendor command goes to the printer interface (wIndex 1); the bytes to
  // its bulk OUT endpoint.
  std::vector<SeenTransfer> expected{
      Control({0xC1, REQ_GET_STATUS, 0, 0, 1, 0, 64, 0}),
      {SeenTransfer::Kind::Bulk, kPrinterBulkOut, {}, 64},
      {SeenTransfer::Kind::Bulk, kPrinterBulkOut, {}, 70000},
  };
  EXPECT_EQ(bus_->Seen(kOurs), expected);
  EXPECT_EQ(controller_.ImageState(), sim::Controller::Image::Arrived);
  // The kernel's printer driver is set aside while the program holds the
  // interface, and bound again when it lets go.
  EXPECT_EQ(bus_->Claims(kOurs), (std::vector<std::string>{"usblp off 1", "+1"}));
  CloseDevice(&link_);
  EXPECT_EQ(bus_->Claims(kOurs), (std::vector<std::string>{"usblp off 1", "+1", "-1", "usblp on 1"}));
}

// With no hardware ID to go by, the device is found through the record of USB
// devices that sysfs keeps: the still-image interface by its usbscan service,
// the printer interface, which usblp holds, by its usbprint one.
TEST_F(EmulatedUsbTest, TheRecordOfUsbDevicesLeadsToTheDevice) {
  UsbDeviceSpec hub{2, 0x1D6B, 0x0002, 0x0100, {{0x09, {0x81}, "hub"}}};
  PlugAll({{hub, nullptr}, {UpdaterDeviceSpec(kOurs, true), &controller_}});
  for (int32_t transport : {1, 0}) {
    link_ = DeviceLink{transport, "", 0, transport ? 1 : -1};
    ASSERT_EQ(OpenDevice(&link_), 1) << "transport " << transport;
    EXPECT_STREQ(link_.deviceId, transport ? "USB\\VID_FA17&PID_0C3E&MI_00" : "USB\\VID_FA17&PID_0C3E&MI_01");
    uint8_t reply[kStatusReplyLength];
    EXPECT_EQ(ControlRequest(&link_, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply), 1);
    CloseDevice(&link_);
  }
  std::vector<SeenTransfer> expected{Control({0xC1, REQ_GET_STATUS, 0, 0, 0, 0, 64, 0}),
                                     Control({0xC1, REQ_GET_STATUS, 0, 0, 1, 0, 64, 0})};
  EXPECT_EQ(bus_->Seen(kOurs), expected);
  EXPECT_TRUE(bus_->Claims(2).empty());
}

// The Linux program updates the emulated device from start to end: the image
// over libusb, the writing, and the user switching the device off and on, after
// which it joins the bus at another address; no device event tells of either,
// as in a container where no udev passes events on.
TEST_F(EmulatedUsbTest, TheLinuxProgramUpdatesTheDevice) {
  scenario_.progress = {40, 100};
  // Off long enough for the program, which looks once a second, to notice.
  scenario_.offAfter = 1;
  scenario_.onAfter = 3;
  sim::Controller controller(scenario_);
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller}});

  std::atomic<bool> finished{false};
  std::vector<uint8_t> addresses{kOurs};
  std::thread user([&] {
    bool on = true;
    while (!finished) {
      bool switchedOn = bus_->SwitchedOn(controller);
      if (on && !switchedOn) bus_->Unplug(addresses.back(), false);
      if (!on && switchedOn) {
        addresses.push_back(static_cast<uint8_t>(addresses.back() + 1));
        bus_->Plug(UpdaterDeviceSpec(addresses.back()), &controller, false);
      }
      on = switchedOn;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  testing_support::PrivateRuntimeDir runtime;
  testing_support::ProgramRun run;
  run.program = UPDATER_PATH;
  run.input = "n\nn\no\nf\n";
  run.limitSeconds = 60;
  testing_support::ProgramOutcome outcome = testing_support::RunProgram(run);
  finished = true;
  user.join();

  EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
  EXPECT_NE(outcome.out.find("successfully completed"), std::string::npos) << outcome.out;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(controller.ImagesWritten(), 1);
  EXPECT_EQ(controller.PowerCycles(), 1);
  EXPECT_EQ(addresses, (std::vector<uint8_t>{kOurs, kOurs + 1}));
  // Before the switch: the status and version requests, the header and the
  // image on the bulk OUT endpoint in chunks, then the progress requests.
  std::vector<SeenTransfer> before = bus_->Seen(kOurs);
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before.front(), Control({0xC1, REQ_GET_STATUS, 0, 0, 0, 0, 64, 0}));
  uint64_t imageBytes = 0;
  for (const SeenTransfer& bulk : OfKind(before, SeenTransfer::Kind::Bulk)) {
    EXPECT_EQ(bulk.endpoint, kBulkOut);
    EXPECT_LE(bulk.length, IMAGE_CHUNK_SIZE);
    imageBytes += bulk.length;
  }
  EXPECT_EQ(imageBytes, kImageHeaderSize + res::FirmwareImage(2).size());
  // The program ends with the interface given back.
  EXPECT_EQ(bus_->Claims(kOurs + 1), (std::vector<std::string>{"+0", "-0"}));
  // After it, the version is read again at the new address.
  EXPECT_EQ(OfKind(bus_->Seen(kOurs + 1), SeenTransfer::Kind::Control).back(),
            Control({0xC1, REQ_GET_VERSION, 0, 0, 0, 0, 128, 0}));
}

// Ctrl-C on the confirmation page ends the Linux program as a confirmed quit
// would: nothing sent to the device but the questions, the interface given back.
TEST_F(EmulatedUsbTest, CtrlCBeforeTheUpdateEndsTheProgramAndGivesTheInterfaceBack) {
  sim::Controller controller(scenario_);
  PlugAll({{UpdaterDeviceSpec(kOurs), &controller}});
  testing_support::PrivateRuntimeDir runtime;
  testing_support::ProgramRun run;
  run.program = UPDATER_PATH;
  run.input = "n\n";
  run.inputStaysOpen = true;
  run.steps = {{"Click [Next]", SIGINT}};
  run.limitSeconds = 60;
  testing_support::ProgramOutcome outcome = testing_support::RunProgram(run);
  EXPECT_EQ(outcome.exitCode, 255) << outcome.out << outcome.err;
  EXPECT_TRUE(OfKind(bus_->Seen(kOurs), SeenTransfer::Kind::Bulk).empty());
  EXPECT_EQ(bus_->Claims(kOurs), (std::vector<std::string>{"+0", "-0"}));
  EXPECT_EQ(controller.ImagesWritten(), 0);
}

// The Linux program that cannot reach the device says why on standard error,
// once, and in its connection error, then behaves as when no device can be
// opened: the device absent, its interface held by another program, its device
// file missing, or the user without access to it.
TEST_F(EmulatedUsbTest, AProgramThatCannotReachTheDeviceSaysWhy) {
  namespace fs = std::filesystem;
  enum class Cause { Absent, Held, FileMissing, NoAccess };
  const std::string root = bus_->RootDir();
  const std::string file = bus_->DeviceFile(kOurs);
  const std::string busFolder = root + file.substr(0, file.rfind('/'));
  for (Cause cause : {Cause::Absent, Cause::Held, Cause::FileMissing, Cause::NoAccess}) {
    SCOPED_TRACE(static_cast<int>(cause));
    testing_support::PrivateRuntimeDir dir;  // no other run holds its instance mark
    bus_->UnplugAll();
    ASSERT_TRUE(bus_->WaitForDevices(0));
    UsbDeviceSpec spec = UpdaterDeviceSpec(kOurs);
    spec.interfaces[0].claimedElsewhere = cause == Cause::Held;
    if (cause != Cause::Absent) PlugAll({{spec, &controller_}});
    testing_support::ProgramRun run;
    run.program = UPDATER_PATH;
    run.input = "n\no\nc\ny\n";
    std::string advice, box;
    switch (cause) {
      case Cause::Absent:
        advice = lusb::AdviceText(lusb::Advice::NotFound);
        box = "No USB device FA17:0C3E was found; check the cable and the device's power, that `lsusb` lists the "
              "device, and that the udev rule 60-updater-device.rules is installed.";
        break;
      case Cause::Held:
        advice = lusb::AdviceText(lusb::Advice::Held);
        box = "Another program holds the scanner interface of the device (USB FA17:0C3E); close scanning programs, "
              "photo and camera importers and any other copy of the updater, then try again.";
        break;
      case Cause::FileMissing:
        advice = lusb::AdviceText(lusb::Advice::NoDeviceFile, file);
        box = "The device (USB FA17:0C3E) is attached, but its device file " + file +
              " is missing. In a container, bind /dev/bus/usb in from the host; elsewhere, check that udev or "
              "devtmpfs creates the files under /dev/bus/usb.";
        fs::rename(busFolder, busFolder + ".gone");
        break;
      case Cause::NoAccess:
        advice = lusb::AdviceText(lusb::Advice::Permission);
        box = "The device (USB FA17:0C3E) is attached, but this user may not open it. Install the updater's "
              "package, which brings the device rule (or, built from source, `sudo make install`), then unplug "
              "the device and plug it in again; or run the updater as root.";
        if (::geteuid() == 0) {
          // Root opens any file; the program runs as nobody instead, in a test
          // bed it may read.
          run.runAs = 65534;
          fs::permissions(dir.Path(), fs::perms::all | fs::perms::sticky_bit);
          fs::permissions(root, fs::perms::all);
          for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root + "/ioctl")) {
            if (entry.is_socket()) fs::permissions(entry.path(), fs::perms::all);
          }
          if (::access(UPDATER_PATH, X_OK) != 0 || !testing_support::OthersMayRun(UPDATER_PATH)) {
            GTEST_SKIP() << "the user nobody may not run " << UPDATER_PATH;
          }
        }
        ::chmod((root + file).c_str(), ::geteuid() == 0 ? 0600 : 0000);
        break;
    }
    testing_support::ProgramOutcome outcome = testing_support::RunProgram(run);
    if (cause == Cause::FileMissing) fs::rename(busFolder + ".gone", busFolder);
    ::chmod((root + file).c_str(), 0644);

    EXPECT_EQ(outcome.exitCode, 255) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.err, advice);
    EXPECT_NE(outcome.out.find(testing_support::kLinuxConnectionErrorBox + ("\n" + box) + "\n[O]K\n"),
              std::string::npos)
        << outcome.out;
    EXPECT_TRUE(bus_->Seen(kOurs).empty());
  }
}

}  // namespace
