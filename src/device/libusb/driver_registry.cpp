// The registry the device discovery reads, made from sysfs (see
// sysfs_registry.h). Each key is a snapshot taken when opened.
#include <cstring>
#include <map>
#include <mutex>

#include "device/driver.h"
#include "device/libusb/sysfs_registry.h"

namespace driver {
namespace {

std::mutex gKeysMutex;
std::map<RegistryKey, lusb::RegistryNode> gKeys;
RegistryKey gNextKey = 1;

}  // namespace

RegistryKey OpenRegistryKey(const char* path) {
  if (path == nullptr) return kNoRegistryKey;
  auto node = lusb::LookUp(lusb::ReadUsbRegistry(lusb::SysfsRoot()), path);
  if (!node) return kNoRegistryKey;
  std::lock_guard lock(gKeysMutex);
  RegistryKey key = gNextKey++;
  gKeys.emplace(key, std::move(*node));
  return key;
}

bool EnumRegistryKey(RegistryKey key, uint32_t index, char* name, uint32_t size) {
  std::lock_guard lock(gKeysMutex);
  auto found = gKeys.find(key);
  if (found == gKeys.end() || index >= found->second.subkeys.size()) return false;
  const std::string& subkey = found->second.subkeys[index];
  if (name == nullptr || subkey.size() >= size) return false;
  std::memcpy(name, subkey.c_str(), subkey.size() + 1);
  return true;
}

// The value is stored with its terminator, as a registry text is.
bool QueryRegistryValue(RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size) {
  std::lock_guard lock(gKeysMutex);
  auto found = gKeys.find(key);
  if (found == gKeys.end() || name == nullptr || std::strcmp(name, "Service") != 0 || !found->second.service) {
    return false;
  }
  const std::string& service = *found->second.service;
  auto length = static_cast<uint32_t>(service.size() + 1);
  bool fits = buffer != nullptr && length <= *size;
  if (fits) std::memcpy(buffer, service.c_str(), length);
  *size = length;
  return fits;
}

void CloseRegistryKey(RegistryKey key) {
  std::lock_guard lock(gKeysMutex);
  gKeys.erase(key);
}

}  // namespace driver
