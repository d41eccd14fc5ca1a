// The real Windows class drivers: still-image ports and pipes, printer-class
// device interfaces.
#include "device/driver.h"
#include "platform/win.h"

namespace driver {
namespace {
HANDLE ToSystem(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

bool Prepare(std::string&) { return true; }

std::string TakeAdvice() { return {}; }

Handle OpenDevicePath(const char* path, uint32_t attributes) {
  HANDLE handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, attributes, nullptr);
  return reinterpret_cast<Handle>(handle);
}

bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                   uint32_t outSize, uint32_t* returned) {
  DWORD count = 0;
  BOOL ok = ::DeviceIoControl(ToSystem(handle), code, const_cast<void*>(in), inSize, out, outSize, &count,
                              nullptr);
  *returned = count;
  return ok != FALSE;
}

bool WriteBytes(Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  DWORD done = 0;
  BOOL ok = ::WriteFile(ToSystem(handle), bytes, count, &done, nullptr);
  *written = ok ? done : 0;
  return ok != FALSE;
}

void CloseDeviceHandle(Handle handle) { ::CloseHandle(ToSystem(handle)); }

}  // namespace driver
