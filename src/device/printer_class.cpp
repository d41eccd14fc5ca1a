// Finding the device among the printer-class driver's device interfaces by a
// hardware ID of the device, compared without regard to case.
#include <cstring>
#include <vector>

#include "device/link.h"
#include "device/usb_wire.h"
#include "platform/text.h"

namespace {

// No hardware-ID list or interface detail is larger; a driver that reports more
// is not believed.
constexpr uint32_t kLargestProperty = 64 * 1024;
constexpr int kPropertyReads = 8;
constexpr size_t kDetailPathAt = 4;  // the path follows the detail's size field

enum class Property { Read, NotPresent, Failed };

// Reads the list the way newer systems report it: a call that fails for want of
// room says how much is needed.
Property ReadIds(driver::DeviceSet set, uint32_t index, std::vector<uint8_t>& ids, uint32_t& length) {
  length = 0;
  for (int read = 0; read < kPropertyReads; ++read) {
    uint32_t required = 0, error = 0;
    if (driver::ReadHardwareIds(set, index, ids.data(), length, &required, &error)) return Property::Read;
    if (error == driver::kErrorInvalidData) return Property::NotPresent;
    if (error != driver::kErrorInsufficientBuffer || required == 0 || required > kLargestProperty) break;
    ids.assign(required + 2, 0);  // two zeros after the list, so every entry ends
    length = required;
  }
  return Property::Failed;
}

// Older systems (generation 2400 and below) answer in the opposite sense: the
// call reports success while the buffer is too small and failure once filled.
Property ReadIdsOldWay(driver::DeviceSet set, uint32_t index, std::vector<uint8_t>& ids, uint32_t& length) {
  length = 0;
  for (int read = 0; read < kPropertyReads; ++read) {
    uint32_t required = 0, error = 0;
    if (driver::ReadHardwareIds(set, index, ids.data(), length, &required, &error)) {
      if (required == 0 || required > kLargestProperty) return Property::Failed;
      ids.assign(required + 2, 0);
      length = required;
      continue;
    }
    if (error == driver::kErrorInvalidData) return Property::NotPresent;
    if (error == driver::kErrorInsufficientBuffer) return ids.empty() ? Property::NotPresent : Property::Read;
    return Property::Failed;
  }
  return Property::Failed;
}

// Whether the list holds the sought ID, upper-cased, as a whole entry.
bool ListHolds(std::vector<uint8_t>& ids, uint32_t length, const char* sought) {
  bool found = false;
  for (size_t at = 0; at < length && at < ids.size() && ids[at] != 0;) {
    char* entry = reinterpret_cast<char*>(&ids[at]);
    size_t entryLength = std::strlen(entry);
    platform::UpperCaseInPlace(entry);
    if (std::strcmp(entry, sought) == 0) found = true;
    at += entryLength + 1;
  }
  return found;
}

// Releases the device information set on every way out.
struct DeviceSetGuard {
  driver::DeviceSet set;
  ~DeviceSetGuard() {
    if (set != driver::kNoDeviceSet) driver::CloseDeviceSet(set);
  }
};

void ReleasePrinterSet() {
  for (driver::Handle* handle : {&printerHandle, &printerSecondHandle}) {
    if (*handle != driver::kInvalidHandle) driver::CloseDeviceHandle(*handle);
    *handle = driver::kInvalidHandle;
  }
}

}  // namespace

int GetOsGeneration() {
  uint32_t platform = 0, major = 0, minor = 0;
  if (!driver::ReadSystemVersion(&platform, &major, &minor)) return 0;
  if (platform == 1 && major == 4) {
    if (minor == 0) return 1400;
    if (minor == 10) return 1410;
    if (minor == 90) return 1490;
  }
  if (platform == 2) {
    if (major <= 4) return 2400;
    if (major == 5 && minor == 0) return 2500;
    if (major == 5 && minor == 1) return 2501;
    return 2502;
  }
  return 0;  // Win32s, and versions no generation is known for
}

int OpenPrinterClassPort(DeviceLink* link) {
  int length = DeviceIdLength(link);
  if (length < 0) return 0;
  std::vector<char> sought(static_cast<size_t>(length) + 2, '\0');
  std::memcpy(sought.data(), link->deviceId, static_cast<size_t>(length));
  platform::UpperCaseInPlace(sought.data());

  DeviceSetGuard guard{driver::OpenPrinterClassDevices()};
  if (guard.set == driver::kNoDeviceSet) return 0;
  bool newerSystem = GetOsGeneration() > 2400;
  // The first device in enumeration order whose hardware IDs hold the sought ID.
  uint32_t index = 0;
  for (;; ++index) {
    if (!driver::EnumPrinterDevice(guard.set, index)) return 0;
    std::vector<uint8_t> ids;
    uint32_t idsLength = 0;
    Property read = newerSystem ? ReadIds(guard.set, index, ids, idsLength) : ReadIdsOldWay(guard.set, index, ids, idsLength);
    if (read == Property::Failed) return 0;
    if (read == Property::Read && ListHolds(ids, idsLength, sought.data())) break;
  }
  if (!driver::EnumPrinterInterface(guard.set, index)) return 0;

  uint32_t required = 0;
  driver::ReadInterfaceDetail(guard.set, index, nullptr, 0, &required);
  if (required <= kDetailPathAt || required > kLargestProperty) return 0;
  std::vector<uint8_t> detail(required + 1, 0);  // one more zero: the path always ends
  if (!driver::ReadInterfaceDetail(guard.set, index, detail.data(), required, &required)) return 0;
  const char* path = reinterpret_cast<const char*>(detail.data() + kDetailPathAt);

  printerHandle = driver::OpenDevicePath(path, kPrinterClassOpenAttributes);
  if (printerHandle != driver::kInvalidHandle) printerSecondHandle = driver::OpenDevicePath(path, kPrinterClassOpenAttributes);
  if (printerSecondHandle == driver::kInvalidHandle) {
    ReleasePrinterSet();
    return 0;
  }
  return 1;
}
