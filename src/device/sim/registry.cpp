#include "device/sim/registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace sim {
namespace {

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

// The parts of a path between backslashes; an empty path names HKEY_LOCAL_MACHINE.
std::vector<std::string> PartsOf(const std::string& path) {
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::string UnderUsb(const std::string& rest) { return std::string(kUsbEnumKey) + "\\" + rest; }

std::string DeviceKeyName(uint16_t vendor, uint16_t product) {
  char name[32];
  std::snprintf(name, sizeof name, "VID_%04X&PID_%04X", vendor, product);
  return name;
}

// The keys the system keeps for the devices present: the composite device and
// each of its interfaces with the driver that serves it, and the foreign scanners.
std::vector<RegistryEntry> DeviceEntries(const Scenario& s) {
  std::vector<RegistryEntry> entries{{std::string(kUsbEnumKey), {}}};
  if (s.devicePresent || s.printerPresent) {
    entries.push_back({UnderUsb(DeviceKeyName(kDeviceVendor, kDeviceProduct) + "\\5&1d2e3f4a&0&1"),
                       {StringValue("Service", "usbccgp")}});
  }
  if (s.devicePresent) {
    entries.push_back({UnderUsb(std::string(kStillImageDeviceKey) + "\\6&2b3c4d5e&0&0000"),
                       {StringValue("Service", "usbscan")}});
  }
  if (s.printerPresent) {
    entries.push_back({UnderUsb(std::string(kPrinterDeviceKey) + "\\6&2b3c4d5e&0&0001"),
                       {StringValue("Service", "usbprint")}});
  }
  for (int port : s.foreign) {
    entries.push_back({UnderUsb(DeviceKeyName(kForeignVendor, kForeignProduct) + "\\5&3c4d5e6f&0&" +
                                std::to_string(port + 1)),
                       {StringValue("Service", "usbscan")}});
  }
  return entries;
}

}  // namespace

Registry::Registry(const Scenario& scenario) {
  keys_.push_back({"HKEY_LOCAL_MACHINE", {}, {}});
  if (scenario.registryFollowsDevices) {
    for (const RegistryEntry& entry : DeviceEntries(scenario)) Add(entry);
  }
  for (const RegistryEntry& entry : scenario.registry) Add(entry);
}

void Registry::Add(const RegistryEntry& entry) {
  size_t key = Make(entry.path);
  for (const RegistryValue& value : entry.values) {
    std::vector<RegistryValue>& values = keys_[key].values;
    auto same = std::find_if(values.begin(), values.end(),
                             [&](const RegistryValue& v) { return SameName(v.name, value.name); });
    if (same != values.end()) *same = value;
    else values.push_back(value);
  }
}

size_t Registry::Make(const std::string& path) {
  size_t key = 0;
  for (const std::string& part : PartsOf(path)) {
    size_t next = 0;
    bool found = false;
    for (size_t subkey : keys_[key].subkeys) {
      if (SameName(keys_[subkey].name, part)) {
        next = subkey;
        found = true;
        break;
      }
    }
    if (!found) {
      next = keys_.size();
      keys_.push_back({part, {}, {}});
      keys_[key].subkeys.push_back(next);
    }
    key = next;
  }
  return key;
}

bool Registry::Find(const std::string& path, size_t& key) const {
  key = 0;
  for (const std::string& part : PartsOf(path)) {
    bool found = false;
    for (size_t subkey : keys_[key].subkeys) {
      if (!part.empty() && SameName(keys_[subkey].name, part)) {
        key = subkey;
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

driver::RegistryKey Registry::Open(const char* path) {
  std::lock_guard lock(mutex_);
  attempts_.push_back(path ? path : "");
  size_t key = 0;
  if (!Find(path ? path : "", key)) return driver::kNoRegistryKey;
  driver::RegistryKey handle = nextKey_;
  nextKey_ += 4;
  open_[handle] = key;
  ++keysOpened_;
  return handle;
}

bool Registry::EnumSubkey(driver::RegistryKey handle, uint32_t index, char* name, uint32_t size) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(handle);
  if (it == open_.end()) return false;
  const std::vector<size_t>& subkeys = keys_[it->second].subkeys;
  if (index >= subkeys.size()) return false;  // no more items
  const std::string& subkey = keys_[subkeys[index]].name;
  if (subkey.size() + 1 > size) return false;  // more data than the buffer holds
  std::memcpy(name, subkey.c_str(), subkey.size() + 1);
  return true;
}

bool Registry::Query(driver::RegistryKey handle, const char* name, uint8_t* buffer, uint32_t* size) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(handle);
  if (it == open_.end()) return false;
  const std::string wanted = name ? name : "";
  for (const RegistryValue& value : keys_[it->second].values) {
    if (!SameName(value.name, wanted)) continue;
    auto length = static_cast<uint32_t>(value.bytes.size());
    // Without a buffer the call only measures; with one too small it fails and
    // says how much is needed.
    bool fits = length <= *size;
    *size = length;
    if (!buffer) return true;
    if (!fits) return false;
    std::memcpy(buffer, value.bytes.data(), length);
    return true;
  }
  return false;
}

void Registry::Close(driver::RegistryKey handle) {
  std::lock_guard lock(mutex_);
  if (open_.erase(handle) == 0) ++badCloses_;
}

std::vector<std::string> Registry::OpenAttempts() const {
  std::lock_guard lock(mutex_);
  return attempts_;
}

int Registry::KeysOpened() const {
  std::lock_guard lock(mutex_);
  return keysOpened_;
}

int Registry::OpenKeys() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(open_.size());
}

int Registry::BadCloses() const {
  std::lock_guard lock(mutex_);
  return badCloses_;
}

namespace {
std::unique_ptr<Registry> gRegistry;
}

void ResetRegistry(const Scenario& scenario) { gRegistry = std::make_unique<Registry>(scenario); }

Registry& CurrentRegistry() {
  if (!gRegistry) gRegistry = std::make_unique<Registry>(Scenario{});
  return *gRegistry;
}

}  // namespace sim
