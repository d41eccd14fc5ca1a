// A driver that reaches no device: the Linux program's driver until the USB
// drivers for Linux exist. Every open fails, so the device is never found.
#include "device/driver.h"

namespace driver {

bool Prepare(std::string&) { return true; }

std::string TakeAdvice() { return {}; }

Handle OpenDevicePath(const char*, uint32_t) { return kInvalidHandle; }

bool DeviceControl(Handle, uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t* returned) {
  *returned = 0;
  return false;
}

bool WriteBytes(Handle, const void*, uint32_t, uint32_t* written) {
  *written = 0;
  return false;
}

void CloseDeviceHandle(Handle) {}

}  // namespace driver

namespace driver {

DeviceSet OpenPrinterClassDevices() { return kNoDeviceSet; }
bool EnumPrinterDevice(DeviceSet, uint32_t) { return false; }
bool ReadHardwareIds(DeviceSet, uint32_t, uint8_t*, uint32_t, uint32_t* required, uint32_t* error) {
  *required = 0;
  *error = kErrorInvalidHandle;
  return false;
}
bool EnumPrinterInterface(DeviceSet, uint32_t) { return false; }
bool ReadInterfaceDetail(DeviceSet, uint32_t, uint8_t*, uint32_t, uint32_t* required) {
  *required = 0;
  return false;
}
void CloseDeviceSet(DeviceSet) {}
bool ReadSystemVersion(uint32_t*, uint32_t*, uint32_t*) { return false; }
RegistryKey OpenRegistryKey(const char*) { return kNoRegistryKey; }
bool EnumRegistryKey(RegistryKey, uint32_t, char*, uint32_t) { return false; }
bool QueryRegistryValue(RegistryKey, const char*, uint8_t*, uint32_t*) { return false; }
void CloseRegistryKey(RegistryKey) {}

}  // namespace driver
