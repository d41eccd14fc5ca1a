#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/usb_wire.h"
#include "support/sim_world.h"

namespace {

using StillImage = testing_support::SimWorld;

std::string Pipe(int port, int pipe) { return "\\\\.\\Usbscan" + std::to_string(port) + "\\" + std::to_string(pipe); }

std::vector<std::string> ControlPipesUpTo(int lastPort) {
  std::vector<std::string> paths;
  for (int port = 0; port <= lastPort; ++port) paths.push_back(Pipe(port, 0));
  return paths;
}

TEST_F(StillImage, WithNoDeviceAllFifteenPortsAreTriedAndNothingIsAsked) {
  sim::Scenario scenario;
  scenario.devicePresent = false;
  Start(scenario);
  EXPECT_EQ(OpenStillImagePort(&link), 0);
  EXPECT_EQ(OpenedPaths(), ControlPipesUpTo(14));
  EXPECT_TRUE(CallsOf(sim::Call::Control).empty());
  for (const sim::Call& open : CallsOf(sim::Call::Open)) EXPECT_EQ(open.code, kStillImageOpenAttributes);
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);
}

TEST_F(StillImage, AForeignScannerIsAskedReleasedAndPassedOver) {
  sim::Scenario scenario;
  scenario.port = 3;
  scenario.foreign = {0};
  Start(scenario);
  EXPECT_EQ(OpenStillImagePort(&link), 1);
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{Pipe(0, 0), Pipe(1, 0), Pipe(2, 0), Pipe(3, 0), Pipe(3, 1)}));
  auto calls = Bus().Calls();
  // Port 0: opened, asked for its descriptor, released before port 1 is tried.
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[1].kind, sim::Call::Control);
  EXPECT_EQ(calls[1].code, IOCTL_GET_DEVICE_DESCRIPTOR);
  EXPECT_EQ(calls[1].size, 8u);
  EXPECT_EQ(calls[2].kind, sim::Call::Close);
  EXPECT_EQ(calls[2].handle, calls[0].handle);
  EXPECT_EQ(dataHandle, controlHandle);
  EXPECT_EQ(Bus().OpenHandles(), 2);
}

TEST_F(StillImage, TheLowestPortOfTwoDevicesWins) {
  sim::Scenario scenario;
  scenario.port = 5;
  scenario.others = {{.port = 2, .vendor = sim::kDeviceVendor, .product = sim::kDeviceProduct, .controller = true}};
  Start(scenario);
  EXPECT_EQ(OpenStillImagePort(&link), 1);
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{Pipe(0, 0), Pipe(1, 0), Pipe(2, 0), Pipe(2, 1)}));
}

TEST_F(StillImage, BothIdentifiersMustMatch) {
  sim::Scenario scenario;
  scenario.port = 4;
  scenario.others = {{.port = 1, .vendor = sim::kDeviceVendor, .product = 0x0C3F},
                     {.port = 2, .vendor = 0x0C3E, .product = sim::kDeviceProduct},
                     {.port = 3, .vendor = sim::kDeviceVendor, .product = sim::kDeviceProduct, .refusesDescriptor = true}};
  Start(scenario);
  EXPECT_EQ(OpenStillImagePort(&link), 1);
  EXPECT_EQ(OpenedPaths().back(), Pipe(4, 1));
  EXPECT_EQ(CallsOf(sim::Call::Close).size(), 3u);
}

TEST_F(StillImage, ADeviceOnPort15OrAboveIsNeverFound) {
  for (int port : {15, 20}) {
    sim::Scenario scenario;
    scenario.port = port;
    Start(scenario);
    EXPECT_EQ(OpenStillImagePort(&link), 0) << port;
    EXPECT_EQ(OpenedPaths(), ControlPipesUpTo(14));
  }
}

TEST_F(StillImage, PipeRules) {
  struct Case {
    int dataPipe, secondPipe;
    std::vector<std::string> opened;
    bool dataIsControl, dataOpen, secondOpen;
  };
  const Case cases[] = {
      {0, 1, {Pipe(0, 0), Pipe(0, 1)}, true, true, true},
      {-1, 1, {Pipe(0, 0), Pipe(0, 1)}, false, false, true},
      {2, 1, {Pipe(0, 0), Pipe(0, 2), Pipe(0, 1)}, false, true, true},
      {0, -1, {Pipe(0, 0)}, true, true, false},
      {0, 0, {Pipe(0, 0), Pipe(0, 0)}, true, true, true},  // a second handle on pipe 0
      {9, 1, {Pipe(0, 0), Pipe(0, 9), Pipe(0, 1)}, false, false, true},  // no such pipe: still found
  };
  for (const Case& c : cases) {
    Start(sim::Scenario{});
    link.dataPipe = c.dataPipe;
    link.secondPipe = c.secondPipe;
    EXPECT_EQ(OpenStillImagePort(&link), 1);
    EXPECT_EQ(OpenedPaths(), c.opened) << c.dataPipe << "/" << c.secondPipe;
    EXPECT_EQ(dataHandle == controlHandle, c.dataIsControl) << c.dataPipe;
    EXPECT_EQ(dataHandle != driver::kInvalidHandle, c.dataOpen) << c.dataPipe;
    EXPECT_EQ(secondPipeHandle != driver::kInvalidHandle, c.secondOpen) << c.secondPipe;
    CloseDevice(&link);
    EXPECT_EQ(Bus().OpenHandles(), 0);
    EXPECT_EQ(Bus().BadCloses(), 0);
  }
}

TEST_F(StillImage, AnOpenControlHandleCountsAsFoundWithoutAnyCall) {
  controlHandle = 0x4444;
  EXPECT_EQ(OpenStillImagePort(&link), 1);
  EXPECT_TRUE(Bus().Calls().empty());
  controlHandle = driver::kInvalidHandle;
}

TEST_F(StillImage, IdentifiersAreReadAsStrtolReadsThem) {
  struct Case {
    const char* deviceId;
    uint16_t vendor, product;
  };
  const Case cases[] = {
      {"USB\\VID_fa17&PID_0c3e", 0xFA17, 0x0C3E},
      {"USB\\VID_ FA1&PID_0x0C", 0x0FA1, 0x000C},
      {"USB\\VID_FA1Z&PID_0C3E", 0x0FA1, 0x0C3E},
      {"USB\\VID_ZZZZ&PID_YYYY", 0, 0},
  };
  for (const Case& c : cases) {
    sim::Scenario scenario;
    scenario.devicePresent = false;
    scenario.others = {{.port = 7, .vendor = c.vendor, .product = c.product}};
    Start(scenario);
    std::strcpy(link.deviceId, c.deviceId);
    EXPECT_EQ(OpenStillImagePort(&link), 1) << c.deviceId;
    EXPECT_EQ(OpenedPaths().back(), Pipe(7, 1)) << c.deviceId;
  }
}

TEST_F(StillImage, NonHexadecimalIdentifiersMatchNoOrdinaryDevice) {
  std::strcpy(link.deviceId, "USB\\VID_ZZZZ&PID_YYYY&MI_00");
  EXPECT_EQ(OpenStillImagePort(&link), 0);
  EXPECT_EQ(OpenedPaths(), ControlPipesUpTo(14));
  EXPECT_EQ(CallsOf(sim::Call::Control).size(), 1u);  // the device on port 0 was asked
}

TEST_F(StillImage, AHardwareIdTooShortForBothIdentifiersOpensNoPort) {
  std::strcpy(link.deviceId, "USB\\VID_FA17&PID_0C3");  // 20 characters
  EXPECT_EQ(OpenStillImagePort(&link), 0);
  EXPECT_TRUE(Bus().Calls().empty());
  std::strcpy(link.deviceId, "USB\\VID_FA17&PID_0C3E");  // 21
  EXPECT_EQ(OpenStillImagePort(&link), 1);
}

}  // namespace
