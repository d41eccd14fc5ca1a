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

}  // namespace driver
