// The printer-class device interfaces, the system's version and the registry,
// through the real Windows calls.
#include "device/driver.h"
#include "platform/win.h"
// After windows.h, which it needs.
#include <setupapi.h>

namespace driver {
namespace {

// The interface class of the USB printer driver.
const GUID kUsbPrintInterface = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

HDEVINFO ToSystem(DeviceSet set) { return reinterpret_cast<HDEVINFO>(set); }

bool DeviceAt(DeviceSet set, uint32_t index, SP_DEVINFO_DATA& device) {
  device = {};
  device.cbSize = sizeof device;
  return ::SetupDiEnumDeviceInfo(ToSystem(set), index, &device) != FALSE;
}

bool InterfaceAt(DeviceSet set, uint32_t index, SP_DEVICE_INTERFACE_DATA& data) {
  data = {};
  data.cbSize = sizeof data;
  return ::SetupDiEnumDeviceInterfaces(ToSystem(set), nullptr, &kUsbPrintInterface, index, &data) != FALSE;
}

}  // namespace

DeviceSet OpenPrinterClassDevices() {
  HDEVINFO set = ::SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  return set == INVALID_HANDLE_VALUE ? kNoDeviceSet : reinterpret_cast<DeviceSet>(set);
}

bool EnumPrinterDevice(DeviceSet set, uint32_t index) {
  SP_DEVINFO_DATA device;
  return DeviceAt(set, index, device);
}

bool ReadHardwareIds(DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                     uint32_t* error) {
  SP_DEVINFO_DATA device;
  DWORD needed = 0;
  *required = 0;
  if (!DeviceAt(set, index, device)) {
    *error = ::GetLastError();
    return false;
  }
  BOOL ok = ::SetupDiGetDeviceRegistryPropertyA(ToSystem(set), &device, SPDRP_HARDWAREID, nullptr, buffer, size, &needed);
  *error = ok ? 0 : ::GetLastError();
  *required = needed;
  return ok != FALSE;
}

bool EnumPrinterInterface(DeviceSet set, uint32_t index) {
  SP_DEVICE_INTERFACE_DATA data;
  return InterfaceAt(set, index, data);
}

bool ReadInterfaceDetail(DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size, uint32_t* required) {
  SP_DEVICE_INTERFACE_DATA data;
  DWORD needed = 0;
  *required = 0;
  if (!InterfaceAt(set, index, data)) return false;
  auto* record = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail);
  if (record) record->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  BOOL ok = ::SetupDiGetDeviceInterfaceDetailA(ToSystem(set), &data, record, size, &needed, nullptr);
  *required = needed;
  return ok != FALSE;
}

void CloseDeviceSet(DeviceSet set) { ::SetupDiDestroyDeviceInfoList(ToSystem(set)); }

bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor) {
  OSVERSIONINFOEXA version{};
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return false;
  }
  *platform = version.dwPlatformId;
  *major = version.dwMajorVersion;
  *minor = version.dwMinorVersion;
  return true;
}

RegistryKey OpenRegistryKey(const char* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key) != ERROR_SUCCESS) return kNoRegistryKey;
  return reinterpret_cast<RegistryKey>(key);
}

bool EnumRegistryKey(RegistryKey key, uint32_t index, char* name, uint32_t size) {
  return ::RegEnumKeyA(reinterpret_cast<HKEY>(key), index, name, size) == ERROR_SUCCESS;
}

bool QueryRegistryValue(RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size) {
  DWORD length = *size;
  LONG result = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), name, nullptr, nullptr, buffer, &length);
  *size = length;
  return result == ERROR_SUCCESS;
}

void CloseRegistryKey(RegistryKey key) { ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

}  // namespace driver
