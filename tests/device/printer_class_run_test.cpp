// A whole update over the printer-class driver: a device record without a
// hardware ID finds the device through the registry, the progress dialog sends the
// image through the printer handle, and the watch finds the device again after
// the user has switched it off and on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/sim/registry.h"
#include "resources/language.h"
#include "resources/resources.h"
#include "support/hosted_world.h"
#include "update/runs.h"
#include "update/transfer.h"

namespace {

using PrinterClassRun = testing_support::HostedWorld;

TEST_F(PrinterClassRun, AnUpdateFoundThroughTheRegistryRunsOverThePrinterHandle) {
  sim::Scenario scenario;
  scenario.printerPresent = true;  // the device shows both interfaces
  Start(scenario);
  // A device record without a hardware ID, for the printer-class driver.
  link.transport = 0;
  link.deviceId[0] = '\0';
  link.dataPipe = 0;
  link.secondPipe = -1;
  gDeviceLink = &link;

  ASSERT_EQ(OpenDevice(&link), 1);
  EXPECT_STREQ(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_01");
  driver::Handle sending = printerHandle;
  ASSERT_NE(sending, driver::kInvalidHandle);

  EXPECT_EQ(host.RunModal(res::kProgressDialogTemplate, page, SinglePassDialogProc, 0), 0);
  EXPECT_TRUE(host.Boxes().empty());

  // The image went, whole, through the handle the registry search had opened.
  uint64_t bytes = 0;
  for (const sim::Call& write : CallsOf(sim::Call::Write)) {
    EXPECT_EQ(write.handle, sending);
    EXPECT_TRUE(write.ok);
    bytes += write.done;
  }
  EXPECT_EQ(bytes, kImageHeaderSize + res::FirmwareImage(2).size());
  for (const std::string& path : OpenedPaths()) EXPECT_EQ(path, sim::DevicePrinterInterface().path);
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);

  // Written, switched off and on, and open again on the device that came back.
  sim::Controller* device = Bus().DeviceController();
  EXPECT_EQ(device->ImagesWritten(), 1);
  EXPECT_EQ(device->PowerCycles(), 1);
  EXPECT_EQ(device->Version(), "V2.60a-3");
  EXPECT_NE(printerHandle, driver::kInvalidHandle);
  EXPECT_NE(printerHandle, sending);
  EXPECT_STREQ(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_01");  // the candidate the watch reopened by
  EXPECT_EQ(Bus().OpenHandles(), 2);
  EXPECT_EQ(Bus().BadCloses(), 0);
  EXPECT_EQ(Bus().PrinterSets().openSets, 0);
  EXPECT_EQ(sim::CurrentRegistry().OpenKeys(), 0);
}

}  // namespace
