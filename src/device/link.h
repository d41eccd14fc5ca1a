// The device link: the one road from the program to the USB device.
#pragma once

#include <cstdint>
#include <string>

#include "device/driver.h"

inline constexpr int kDeviceIdSize = 128;  // at most 127 characters and the terminator

struct DeviceLink {
  int32_t transport;            // nonzero: still-image driver; 0: printer-class driver
  char deviceId[kDeviceIdSize];  // hardware ID; empty: find the device in the registry
  int32_t dataPipe;             // still-image pipe for bulk writes (0: the control pipe's handle)
  int32_t secondPipe;           // one more still-image pipe held open (negative: none)
};

// The one record of the run, owned by the entry point's frame.
extern DeviceLink* gDeviceLink;

// The compiled list of hardware IDs, separated by commas.
extern const char* const kHardwareIdList;

// The two handle sets; kInvalidHandle whenever closed.
extern driver::Handle controlHandle;        // still-image pipe 0: control requests
extern driver::Handle dataHandle;           // still-image bulk writes (may be controlHandle)
extern driver::Handle secondPipeHandle;     // still-image second pipe, held open
extern driver::Handle printerHandle;        // printer-class interface
extern driver::Handle printerSecondHandle;  // the same interface, opened a second time

// Each answers 1 for success and 0 for failure.
int OpenDevice(DeviceLink* link);
int CloseDevice(DeviceLink* link);  // always 1
int WriteDevice(DeviceLink* link, const void* bytes, uint32_t count);
int ControlRequest(DeviceLink* link, uint8_t request, uint16_t value, uint16_t index, uint16_t length,
                   void* reply);
int ProbeHardwareIdList(DeviceLink* link);
// What the driver can tell of why the latest probe found no device, for the
// connection error to show with its steps; empty when it cannot tell.
std::string ConnectionAdvice();

// The probe over another list, for the compiled one and for tests.
int ProbeHardwareIds(DeviceLink* link, const char* idList);

// Length of link->deviceId, or -1 when it has no terminator within its 128 bytes.
int DeviceIdLength(const DeviceLink* link);

// The three discoveries; each leaves the selected set open (1) or released (0).
int OpenStillImagePort(DeviceLink* link);
int OpenPrinterClassPort(DeviceLink* link);
int FindDeviceInRegistry(DeviceLink* link);

// The system's generation: 1400, 1410, 1490 for the Windows 95 family, 2400 for
// NT 4 and older, 2500, 2501, 2502 for 2000, XP and later; 0 when unknown.
int GetOsGeneration();

// The registry under HKEY_LOCAL_MACHINE. The names of the subkeys of path, in the
// system's order, name k at table + k * slotSize, at most slotCount of them;
// names that do not fit a slot are passed over. Returns the number stored.
int EnumRegistrySubkeys(const char* path, char* table, int slotSize, int slotCount);
// Reads value name of key path into buffer (size bytes); 1 when read. No
// terminator is added.
int ReadRegistryValue(const char* path, const char* name, void* buffer, uint32_t size);
