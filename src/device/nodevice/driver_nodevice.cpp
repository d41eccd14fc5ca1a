// A driver that reaches no device: the Linux program's driver until the USB
// drivers for Linux exist. Every open fails, so the device is never found.
#include "device/driver.h"

namespace driver {

bool Prepare(std::string&) { return true; }

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
