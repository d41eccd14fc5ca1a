#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "device/protocol.h"
#include "device/usb_wire.h"
#include "support/image_bytes.h"
#include "support/sim_world.h"

namespace {

using testing_support::SimWorld;
using Link = SimWorld;

using testing_support::ExpectedImageHeader;
using testing_support::PatternedImage;

TEST_F(Link, CloseTwiceReleasesOnceAndTheSecondDoesNothing) {
  ASSERT_EQ(OpenDevice(&link), 1);
  Bus().ClearCalls();
  EXPECT_EQ(CloseDevice(&link), 1);
  EXPECT_EQ(CallsOf(sim::Call::Close).size(), 2u);  // pipe 0 (control and data) and pipe 1
  EXPECT_EQ(CloseDevice(&link), 1);
  EXPECT_EQ(CallsOf(sim::Call::Close).size(), 2u);
  EXPECT_EQ(Bus().BadCloses(), 0);
  EXPECT_EQ(Bus().OpenHandles(), 0);
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);
  EXPECT_EQ(dataHandle, driver::kInvalidHandle);
  EXPECT_EQ(secondPipeHandle, driver::kInvalidHandle);
}

TEST_F(Link, EachTransportClosesOnlyItsOwnSet) {
  ASSERT_EQ(OpenDevice(&link), 1);
  driver::Handle control = controlHandle;
  link.transport = 0;
  printerHandle = 0x7770;
  printerSecondHandle = 0x7774;
  Bus().ClearCalls();
  CloseDevice(&link);
  EXPECT_EQ(controlHandle, control);
  EXPECT_EQ(printerHandle, driver::kInvalidHandle);
  EXPECT_EQ(printerSecondHandle, driver::kInvalidHandle);
  link.transport = 1;
  printerHandle = 0x7770;
  CloseDevice(&link);
  EXPECT_EQ(printerHandle, 0x7770);
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);
  printerHandle = driver::kInvalidHandle;
}

TEST_F(Link, DataPipeZeroWritesThroughTheControlHandle) {
  ASSERT_EQ(OpenDevice(&link), 1);
  EXPECT_EQ(dataHandle, controlHandle);
  auto header = ExpectedImageHeader(3);
  ASSERT_EQ(WriteDevice(&link, header.data(), 64), 1);
  EXPECT_EQ(CallsOf(sim::Call::Write).back().handle, controlHandle);
  EXPECT_EQ(Bus().ControllerAt(0)->ImageState(), sim::Controller::Image::Receiving);
}

TEST_F(Link, NegativeDataPipeFailsEveryWriteButControlRequestsWork) {
  link.dataPipe = -1;
  ASSERT_EQ(OpenDevice(&link), 1);
  EXPECT_EQ(dataHandle, driver::kInvalidHandle);
  auto header = ExpectedImageHeader(3);
  EXPECT_EQ(WriteDevice(&link, header.data(), 64), 0);
  std::array<uint8_t, kStatusReplyLength> reply{};
  EXPECT_EQ(ControlRequest(&link, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply.data()), 1);
}

TEST_F(Link, AWriteOfNoBytesFails) {
  ASSERT_EQ(OpenDevice(&link), 1);
  uint8_t byte = 0;
  Bus().ClearCalls();
  EXPECT_EQ(WriteDevice(&link, &byte, 0), 0);
  EXPECT_TRUE(CallsOf(sim::Call::Write).empty());
}

TEST_F(Link, ShortWritesAreCarriedOnUntilEveryByteHasGone) {
  sim::Scenario scenario;
  scenario.writeLimit = 1000;
  Start(scenario);
  ASSERT_EQ(OpenDevice(&link), 1);
  auto header = ExpectedImageHeader(65472);
  auto image = PatternedImage(65472);
  ASSERT_EQ(WriteDevice(&link, header.data(), 64), 1);
  ASSERT_EQ(WriteDevice(&link, image.data(), 65472), 1);
  sim::Controller* device = Bus().ControllerAt(0);
  EXPECT_EQ(device->ImageState(), sim::Controller::Image::Arrived);
  EXPECT_EQ(device->ImageChecksum(), sim::ImageChecksumOf(image.data(), image.size()));
  EXPECT_EQ(CallsOf(sim::Call::Write).size(), 1u + 66u);  // 65 writes of 1000 and one of 472
}

TEST_F(Link, AWriteThatTakesNothingFailsTheCallAndNothingMoreIsSent) {
  sim::Scenario scenario;
  scenario.writeLimit = 1000;
  scenario.failWrite = 3;  // the third piece of the image
  Start(scenario);
  ASSERT_EQ(OpenDevice(&link), 1);
  auto image = PatternedImage(5000);
  EXPECT_EQ(WriteDevice(&link, image.data(), 5000), 0);
  auto writes = CallsOf(sim::Call::Write);
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[2].done, 0u);
}

TEST_F(Link, AWriteReportingMoreBytesThanAskedFailsTheCall) {
  sim::Scenario scenario;
  scenario.writeOverstated = 1;  // a driver that lies
  Start(scenario);
  ASSERT_EQ(OpenDevice(&link), 1);
  auto image = PatternedImage(5000);
  EXPECT_EQ(WriteDevice(&link, image.data(), 5000), 0);
  EXPECT_EQ(CallsOf(sim::Call::Write).size(), 1u);
}

TEST_F(Link, StillImageRequestsTravelAsTheDriversTransferRecord) {
  ASSERT_EQ(OpenDevice(&link), 1);
  Bus().ClearCalls();
  std::array<uint8_t, 100> reply{};
  // The simulated driver carries out only what the program sends (value and
  // index 0); this request is refused there, but its record shows every field.
  EXPECT_EQ(ControlRequest(&link, 0x42, 0x1234, 0xBEEF, 100, reply.data()), 0);
  auto calls = CallsOf(sim::Call::Control);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].handle, controlHandle);
  EXPECT_EQ(calls[0].code, IOCTL_SEND_USB_REQUEST);
  EXPECT_EQ(calls[0].size, 100u);
  ASSERT_EQ(calls[0].input.size(), sizeof(IoBlockEx));
  IoBlockEx block;
  std::memcpy(&block, calls[0].input.data(), sizeof block);
  EXPECT_EQ(block.uOffset, 0x1234u);
  EXPECT_EQ(block.uLength, 100u);
  EXPECT_EQ(block.pbyData, reply.data());
  EXPECT_EQ(block.uIndex, 0xBEEFu);
  EXPECT_EQ(block.bRequest, 0x42);
  EXPECT_EQ(block.bmRequestType, 0xC1);
  EXPECT_EQ(block.fTransferDirectionIn, 1);
}

TEST_F(Link, PrinterClassRequestsTravelAsTheFourByteCommand) {
  link.transport = 0;
  printerHandle = 0x5550;
  std::array<uint8_t, 64> reply{};
  EXPECT_EQ(ControlRequest(&link, REQ_GET_PROGRESS, 0xA1B2, 0x0707, 64, reply.data()), 0);
  auto calls = CallsOf(sim::Call::Control);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].handle, 0x5550);
  EXPECT_EQ(calls[0].code, IOCTL_USBPRINT_VENDOR_GET_COMMAND);
  EXPECT_EQ(calls[0].input, (std::vector<uint8_t>{REQ_GET_PROGRESS, 0x00, 0xB2, 0xA1}));  // no index
  EXPECT_EQ(calls[0].size, 64u);
  printerHandle = driver::kInvalidHandle;
}

TEST_F(Link, ADeviceSwitchedOffFailsEveryTransferUntilOpenedAgain) {
  sim::Scenario scenario;
  scenario.progress = {100};
  Start(scenario);
  ASSERT_EQ(OpenDevice(&link), 1);
  auto header = ExpectedImageHeader(10);
  auto image = PatternedImage(10);
  ASSERT_EQ(WriteDevice(&link, header.data(), 64), 1);
  ASSERT_EQ(WriteDevice(&link, image.data(), 10), 1);
  std::array<uint8_t, 64> reply{};
  ASSERT_EQ(ControlRequest(&link, REQ_GET_PROGRESS, 0, 0, 64, reply.data()), 1);
  ASSERT_EQ(reply[kProgressByte], 100);

  platform::AdvanceVirtualClock(3000);  // the user switches the device off
  EXPECT_EQ(ControlRequest(&link, REQ_GET_STATUS, 0, 0, 64, reply.data()), 0);
  EXPECT_EQ(OpenDevice(&link), 0);
  EXPECT_EQ(controlHandle, driver::kInvalidHandle);

  platform::AdvanceVirtualClock(2000);  // and on again
  EXPECT_EQ(OpenDevice(&link), 1);
  EXPECT_EQ(ControlRequest(&link, REQ_GET_STATUS, 0, 0, 64, reply.data()), 1);
  EXPECT_EQ(Bus().BadCloses(), 0);
}

TEST_F(Link, AnUnterminatedDeviceIdIsRefusedWithoutReadingPastTheRecord) {
  auto record = std::make_unique<DeviceLink>(testing_support::ShippedLink());
  std::memset(record->deviceId, 'A', sizeof record->deviceId);
  EXPECT_EQ(DeviceIdLength(record.get()), -1);
  EXPECT_EQ(OpenDevice(record.get()), 0);
  EXPECT_EQ(OpenStillImagePort(record.get()), 0);
  EXPECT_TRUE(CallsOf(sim::Call::Open).empty());
  record->deviceId[127] = '\0';
  EXPECT_EQ(DeviceIdLength(record.get()), 127);
}

TEST_F(Link, EveryOpenClosesFirstAndDiscoversAnew) {
  ASSERT_EQ(OpenDevice(&link), 1);
  driver::Handle first = controlHandle;
  ASSERT_EQ(OpenDevice(&link), 1);
  EXPECT_NE(controlHandle, first);
  EXPECT_EQ(Bus().OpenHandles(), 2);
  EXPECT_EQ(Bus().BadCloses(), 0);
}

}  // namespace
