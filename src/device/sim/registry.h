// The simulated registry under HKEY_LOCAL_MACHINE: keys found by path without
// regard to case, subkeys listed in the order they were made, values kept as the
// bytes stored. Every key handle is counted, so tests see that each was closed.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device/driver.h"
#include "device/sim/scenario.h"
#include "platform/thread.h"

namespace sim {

class Registry {
 public:
  explicit Registry(const Scenario& scenario);

  // The registry calls of the driver seam.
  driver::RegistryKey Open(const char* path);
  bool EnumSubkey(driver::RegistryKey key, uint32_t index, char* name, uint32_t size);
  bool Query(driver::RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size);
  void Close(driver::RegistryKey key);

  // Inspection by tests.
  std::vector<std::string> OpenAttempts() const;  // every path asked for, in order
  int KeysOpened() const;
  int OpenKeys() const;
  int BadCloses() const;  // closes of keys that were not open

 private:
  struct Key {
    std::string name;
    std::vector<RegistryValue> values;
    std::vector<size_t> subkeys;
  };

  // The key at path, made with those above it when absent; or found only.
  size_t Make(const std::string& path);
  bool Find(const std::string& path, size_t& key) const;
  void Add(const RegistryEntry& entry);

  mutable platform::Mutex mutex_;
  std::vector<Key> keys_;  // keys_[0] is HKEY_LOCAL_MACHINE itself
  std::map<driver::RegistryKey, size_t> open_;
  driver::RegistryKey nextKey_ = 0x2000;
  std::vector<std::string> attempts_;
  int keysOpened_ = 0;
  int badCloses_ = 0;
};

// The registry of the world the simulated driver serves; sim::Reset replaces it.
void ResetRegistry(const Scenario& scenario);
Registry& CurrentRegistry();

}  // namespace sim
