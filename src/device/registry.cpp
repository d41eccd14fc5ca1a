// Finding the device through the system's record of USB devices: every instance
// whose driver service belongs to the selected transport is tried in turn.
#include <cstdio>
#include <cstring>
#include <vector>

#include "device/link.h"
#include "platform/text.h"

namespace {

constexpr const char* kUsbDevices = "SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr int kTableSlots = 500;
constexpr int kSlotSize = 64;
constexpr int kPathSize = 1024;
constexpr uint32_t kServiceSize = 128;

const char* Slot(const std::vector<char>& table, int index) {
  return table.data() + static_cast<size_t>(index) * kSlotSize;
}

// "%s\%s" into a path buffer; false if it would not fit.
bool JoinPath(char (&path)[kPathSize], const char* key, const char* subkey) {
  int length = std::snprintf(path, kPathSize, "%s\\%s", key, subkey);
  return length > 0 && length < kPathSize;
}

}  // namespace

int EnumRegistrySubkeys(const char* path, char* table, int slotSize, int slotCount) {
  driver::RegistryKey key = driver::OpenRegistryKey(path);
  if (key == driver::kNoRegistryKey) return 0;
  int stored = 0;
  char name[1024];
  for (uint32_t index = 0; stored < slotCount && driver::EnumRegistryKey(key, index, name, sizeof name); ++index) {
    name[sizeof name - 1] = '\0';
    size_t length = std::strlen(name);
    // A name too long for its slot names no device this program looks for.
    if (length >= static_cast<size_t>(slotSize)) continue;
    std::memcpy(table + static_cast<size_t>(stored) * static_cast<size_t>(slotSize), name, length + 1);
    ++stored;
  }
  driver::CloseRegistryKey(key);
  return stored;
}

int ReadRegistryValue(const char* path, const char* name, void* buffer, uint32_t size) {
  driver::RegistryKey key = driver::OpenRegistryKey(path);
  if (key == driver::kNoRegistryKey) return 0;
  bool read = driver::QueryRegistryValue(key, name, static_cast<uint8_t*>(buffer), &size);
  driver::CloseRegistryKey(key);
  return read ? 1 : 0;
}

int FindDeviceInRegistry(DeviceLink* link) {
  std::vector<char> devices(static_cast<size_t>(kTableSlots) * kSlotSize), instances(devices.size());
  int deviceCount = EnumRegistrySubkeys(kUsbDevices, devices.data(), kSlotSize, kTableSlots);
  for (int j = 0; j < deviceCount; ++j) {
    char devicePath[kPathSize];
    if (!JoinPath(devicePath, kUsbDevices, Slot(devices, j))) continue;
    int instanceCount = EnumRegistrySubkeys(devicePath, instances.data(), kSlotSize, kTableSlots);
    for (int i = 0; i < instanceCount; ++i) {
      char instancePath[kPathSize];
      if (!JoinPath(instancePath, devicePath, Slot(instances, i))) continue;
      // One byte more than is read, so a value stored without its terminator ends.
      char service[kServiceSize + 1] = {};
      if (!ReadRegistryValue(instancePath, "Service", service, kServiceSize)) continue;
      bool stillImage = link->transport != 0 && platform::CompareText(service, "usbscan") == 0;
      bool printerClass = link->transport == 0 && platform::CompareText(service, "usbprint") == 0;
      if (!stillImage && !printerClass) continue;
      std::snprintf(link->deviceId, sizeof link->deviceId, "USB\\%s", Slot(devices, j));
      if (stillImage ? OpenStillImagePort(link) : OpenPrinterClassPort(link)) return 1;
    }
  }
  return 0;
}
