// Finding the device among the still-image driver's ports by the vendor and
// product identifiers written in its hardware ID.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/link.h"
#include "device/usb_wire.h"

namespace {

constexpr int kPortCount = 15;
// "USB\VID_vvvv&PID_pppp": the identifiers stand at these character positions.
constexpr int kVendorAt = 8;
constexpr int kProductAt = 17;
constexpr int kIdentifierDigits = 4;
constexpr int kShortestDeviceId = kProductAt + kIdentifierDigits;

// The four characters at position `at`, read as a hexadecimal number the way
// strtol reads them (white space, a sign and a 0x prefix allowed).
uint16_t IdentifierAt(const char* deviceId, int at) {
  char digits[kIdentifierDigits + 1] = {};
  std::memcpy(digits, deviceId + at, kIdentifierDigits);
  return static_cast<uint16_t>(std::strtol(digits, nullptr, 16));
}

driver::Handle OpenPipe(const char* portName, int pipe) {
  char pipeName[64];
  std::snprintf(pipeName, sizeof pipeName, "%s\\%d", portName, pipe);
  return driver::OpenDevicePath(pipeName, kStillImageOpenAttributes);
}

bool PortHolds(uint16_t vendor, uint16_t product) {
  StillImageDescriptor descriptor{};
  uint32_t returned = 0;
  return driver::DeviceControl(controlHandle, IOCTL_GET_DEVICE_DESCRIPTOR, nullptr, 0, &descriptor,
                               sizeof descriptor, &returned) &&
         descriptor.usVendorId == vendor && descriptor.usProductId == product;
}

}  // namespace

int OpenStillImagePort(DeviceLink* link) {
  if (controlHandle != driver::kInvalidHandle) return 1;
  // A hardware ID too short to hold both identifiers names no device: no port is
  // opened for it.
  int length = DeviceIdLength(link);
  if (length < kShortestDeviceId) return 0;
  uint16_t vendor = IdentifierAt(link->deviceId, kVendorAt);
  uint16_t product = IdentifierAt(link->deviceId, kProductAt);

  char portName[32];
  for (int port = 0; port < kPortCount; ++port) {
    std::snprintf(portName, sizeof portName, "\\\\.\\Usbscan%d", port);
    controlHandle = OpenPipe(portName, 0);
    if (controlHandle == driver::kInvalidHandle) continue;
    if (PortHolds(vendor, product)) {
      if (link->dataPipe == 0) {
        dataHandle = controlHandle;
      } else if (link->dataPipe > 0) {
        dataHandle = OpenPipe(portName, link->dataPipe);
      }
      if (link->secondPipe >= 0) secondPipeHandle = OpenPipe(portName, link->secondPipe);
      return 1;
    }
    CloseDevice(link);
  }
  return 0;
}
