#include "device/sim/printer_class.h"

#include <cstring>
#include <string>
#include <utility>

namespace sim {
namespace {

constexpr uint32_t kDetailPathAt = 4;     // the path follows the detail's 4-byte size field
constexpr uint32_t kDetailRecordSize = 5;  // what the driver writes into that field

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const char* b) {
  size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

// The property's bytes: each ID with its terminator, then an empty text.
std::string PropertyBytes(const PrinterInterface& shown) {
  std::string bytes;
  for (const std::string& id : shown.hardwareIds) {
    bytes += id;
    bytes.push_back('\0');
  }
  bytes.push_back('\0');
  return bytes;
}

}  // namespace

bool ReadsPropertiesTheOldWay(const SystemVersion& system) { return system.platform != 2 || system.major <= 4; }

PrinterClass::PrinterClass(std::vector<Interface> interfaces, const SystemVersion& system)
    : interfaces_(std::move(interfaces)), oldWay_(ReadsPropertiesTheOldWay(system)) {}

bool PrinterClass::Present(const Interface& printer, uint64_t now) {
  return !printer.controller || printer.controller->Present(now);
}

driver::DeviceSet PrinterClass::OpenSet(uint64_t now) {
  std::vector<int> members;
  for (size_t i = 0; i < interfaces_.size(); ++i) {
    if (Present(interfaces_[i], now)) members.push_back(static_cast<int>(i));
  }
  driver::DeviceSet set = nextSet_;
  nextSet_ += 4;
  sets_[set] = std::move(members);
  ++setsOpened_;
  return set;
}

const PrinterClass::Interface* PrinterClass::Member(driver::DeviceSet set, uint32_t index) const {
  auto it = sets_.find(set);
  if (it == sets_.end() || index >= it->second.size()) return nullptr;
  return &interfaces_[static_cast<size_t>(it->second[index])];
}

bool PrinterClass::EnumDevice(driver::DeviceSet set, uint32_t index) const { return Member(set, index) != nullptr; }

bool PrinterClass::ReadHardwareIds(driver::DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size,
                                   uint32_t* required, uint32_t* error) const {
  ++propertyReads_;
  *required = 0;
  const Interface* printer = Member(set, index);
  if (!printer) {
    *error = sets_.count(set) ? driver::kErrorNoMoreItems : driver::kErrorInvalidHandle;
    return false;
  }
  if (printer->shown.property == PrinterInterface::Property::Missing) {
    *error = driver::kErrorInvalidData;
    return false;
  }
  if (printer->shown.property == PrinterInterface::Property::Unreadable) {
    *error = kErrorGeneralFailure;
    return false;
  }
  std::string bytes = PropertyBytes(printer->shown);
  *required = static_cast<uint32_t>(bytes.size());
  bool fits = buffer && size >= bytes.size();
  if (fits) std::memcpy(buffer, bytes.data(), bytes.size());
  // Newer systems fail for want of room; older ones report success then, and
  // fail with the same error once the buffer has been filled.
  bool succeeds = oldWay_ ? !fits : fits;
  *error = succeeds ? 0 : driver::kErrorInsufficientBuffer;
  return succeeds;
}

bool PrinterClass::EnumInterface(driver::DeviceSet set, uint32_t index) const { return Member(set, index) != nullptr; }

bool PrinterClass::ReadDetail(driver::DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size,
                              uint32_t* required) const {
  *required = 0;
  const Interface* printer = Member(set, index);
  if (!printer) return false;
  const std::string& path = printer->shown.path;
  *required = kDetailPathAt + static_cast<uint32_t>(path.size()) + 1;
  if (!detail || size < *required) return false;
  std::memcpy(detail, &kDetailRecordSize, sizeof kDetailRecordSize);
  std::memcpy(detail + kDetailPathAt, path.c_str(), path.size() + 1);
  return true;
}

void PrinterClass::CloseSet(driver::DeviceSet set) {
  if (sets_.erase(set) == 0) ++badSetCloses_;
}

int PrinterClass::InterfaceOf(const char* path) const {
  for (size_t i = 0; i < interfaces_.size(); ++i) {
    if (SameName(interfaces_[i].shown.path, path)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace sim
