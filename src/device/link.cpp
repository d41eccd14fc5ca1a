#include "device/link.h"

#include <cstring>

#include "device/usb_wire.h"
#include "platform/quitting.h"

DeviceLink* gDeviceLink = nullptr;

driver::Handle controlHandle = driver::kInvalidHandle;
driver::Handle dataHandle = driver::kInvalidHandle;
driver::Handle secondPipeHandle = driver::kInvalidHandle;
driver::Handle printerHandle = driver::kInvalidHandle;
driver::Handle printerSecondHandle = driver::kInvalidHandle;

namespace {

void Release(driver::Handle& handle) {
  if (handle != driver::kInvalidHandle) driver::CloseDeviceHandle(handle);
  handle = driver::kInvalidHandle;
}

}  // namespace

int DeviceIdLength(const DeviceLink* link) {
  const void* end = std::memchr(link->deviceId, '\0', sizeof link->deviceId);
  if (!end) return -1;
  return static_cast<int>(static_cast<const char*>(end) - link->deviceId);
}

// Once the program is quitting, the link opens nothing and asks and sends
// nothing more: a close still gives the device back.
int OpenDevice(DeviceLink* link) {
  CloseDevice(link);
  if (platform::Quitting()) return 0;
  int length = DeviceIdLength(link);
  if (length < 0) return 0;  // no hardware ID can be this long
  if (length == 0) return FindDeviceInRegistry(link);
  if (link->transport != 0) return OpenStillImagePort(link);
  return OpenPrinterClassPort(link);
}

int CloseDevice(DeviceLink* link) {
  if (link->transport != 0) {
    if (dataHandle == controlHandle) dataHandle = driver::kInvalidHandle;  // released once, below
    Release(dataHandle);
    Release(controlHandle);
    Release(secondPipeHandle);
  } else {
    Release(printerHandle);
    Release(printerSecondHandle);
  }
  return 1;
}

int WriteDevice(DeviceLink* link, const void* bytes, uint32_t count) {
  driver::Handle handle = link->transport != 0 ? dataHandle : printerHandle;
  if (count == 0 || platform::Quitting()) return 0;
  // A write may take fewer bytes than asked; the rest follows until every byte has
  // gone, so no part of an image is silently left out. A write that takes nothing,
  // or fails, fails the whole call.
  auto next = static_cast<const uint8_t*>(bytes);
  while (count > 0) {
    uint32_t written = 0;
    if (!driver::WriteBytes(handle, next, count, &written) || written == 0 || written > count) return 0;
    next += written;
    count -= written;
  }
  return 1;
}

int ControlRequest(DeviceLink* link, uint8_t request, uint16_t value, uint16_t index, uint16_t length,
                   void* reply) {
  uint32_t returned = 0;
  if (platform::Quitting()) return 0;
  if (link->transport != 0) {
    IoBlockEx block{};
    block.uOffset = value;
    block.uLength = length;
    block.pbyData = static_cast<uint8_t*>(reply);
    block.uIndex = index;
    block.bRequest = request;
    block.bmRequestType = kVendorInInterface;
    block.fTransferDirectionIn = 1;
    return driver::DeviceControl(controlHandle, IOCTL_SEND_USB_REQUEST, &block, sizeof block, reply,
                                 length, &returned)
               ? 1
               : 0;
  }
  uint8_t command[kPrinterCommandSize] = {request, 0, static_cast<uint8_t>(value & 0xFF),
                                          static_cast<uint8_t>(value >> 8)};
  return driver::DeviceControl(printerHandle, IOCTL_USBPRINT_VENDOR_GET_COMMAND, command, sizeof command,
                               reply, length, &returned)
             ? 1
             : 0;
}
