// The driver seam: the few operations of the USB class drivers that the device
// link stands on. The discovery and the encodings above it are the same on every
// system; one implementation of this header is linked into each program:
// the real Windows calls, a Linux stand-in, or the simulated device.
#pragma once

#include <cstdint>
#include <string>

namespace driver {

// An open device path or pipe. kInvalidHandle marks none (INVALID_HANDLE_VALUE).
using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Prepares the driver before the program does anything else. The simulated
// driver reads its scenario here; false refuses the run with the reason.
bool Prepare(std::string& refusal);

// What the driver found in the way of the device since the previous call, told
// so that the user can act on it, one paragraph a cause: the Linux driver's
// advice, which it also gives on standard error (no permission, a confinement,
// the device file missing, another program holding the device, no device at
// all). Empty where the driver has nothing to tell. Each call starts afresh.
std::string TakeAdvice();

// Opens a device name or device-interface path for reading and writing, shared
// for both, existing only, with the given file attributes (CreateFileA).
Handle OpenDevicePath(const char* path, uint32_t attributes);

// A synchronous driver request with an input and an output buffer
// (DeviceIoControl); returned receives the number of bytes put into out.
bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                   uint32_t outSize, uint32_t* returned);

// A synchronous write (WriteFile); written receives the number of bytes taken,
// 0 when the write failed.
bool WriteBytes(Handle handle, const void* bytes, uint32_t count, uint32_t* written);

// Releases a handle (CloseHandle).
void CloseDeviceHandle(Handle handle);

// The printer-class device interfaces (the SetupDi functions over the interface
// class of the USB printer driver). Each call that fails leaves the system's
// error code in *error: kErrorInsufficientBuffer, kErrorInvalidData, or another.
using DeviceSet = std::intptr_t;
inline constexpr DeviceSet kNoDeviceSet = -1;
inline constexpr uint32_t kErrorInvalidHandle = 6;         // ERROR_INVALID_HANDLE
inline constexpr uint32_t kErrorInvalidData = 13;          // ERROR_INVALID_DATA
inline constexpr uint32_t kErrorInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
inline constexpr uint32_t kErrorNoMoreItems = 259;         // ERROR_NO_MORE_ITEMS

// The present devices that expose the interface (flags present | interface).
DeviceSet OpenPrinterClassDevices();
// Whether the set has a device at index.
bool EnumPrinterDevice(DeviceSet set, uint32_t index);
// The hardware-ID property of device index: NUL-terminated texts ended by an
// empty one. *required receives the size the property needs.
bool ReadHardwareIds(DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                     uint32_t* error);
// Whether the set has an interface at index (no device filter).
bool EnumPrinterInterface(DeviceSet set, uint32_t index);
// The interface's detail: a 4-byte size field, then the device path. The size
// field is the driver's to fill. Without a buffer, only *required is set.
bool ReadInterfaceDetail(DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size, uint32_t* required);
void CloseDeviceSet(DeviceSet set);

// The system's version: platform family (0 Win32s, 1 Windows 95, 2 NT), major,
// minor. False when it cannot be read.
bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor);

// The registry under HKEY_LOCAL_MACHINE, read only.
using RegistryKey = std::intptr_t;
inline constexpr RegistryKey kNoRegistryKey = 0;
RegistryKey OpenRegistryKey(const char* path);
// The name of subkey index into a buffer of size bytes; false after the last.
bool EnumRegistryKey(RegistryKey key, uint32_t index, char* name, uint32_t size);
// A value's bytes; false when absent or larger than size. *size receives the length.
bool QueryRegistryValue(RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size);
void CloseRegistryKey(RegistryKey key);

}  // namespace driver
