#include "app/instance_guard.h"
#include "platform/win.h"

InstanceMutex TakeInstanceMutex() {
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "TIS-PROGRAM");
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another copy holds the name; this copy's handle is not needed.
    if (mutex) ::CloseHandle(mutex);
    return kNoInstanceMutex;
  }
  return reinterpret_cast<InstanceMutex>(mutex);
}

void ReleaseInstanceMutex(InstanceMutex mutex) {
  if (mutex != kNoInstanceMutex) ::CloseHandle(reinterpret_cast<HANDLE>(mutex));
}
