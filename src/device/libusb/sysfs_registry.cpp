#include "device/libusb/sysfs_registry.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "device/libusb/names.h"

namespace lusb {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsbDevicesKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr uint8_t kStillImageClass = 0x06;
constexpr uint8_t kVendorSpecificClass = 0xFF;

// The first line of an attribute file, blanks trimmed; "" when unreadable.
std::string Attribute(const fs::path& directory, const char* name) {
  std::ifstream file(directory / name);
  std::string line;
  if (!file || !std::getline(file, line)) return "";
  size_t first = line.find_first_not_of(" \t");
  size_t last = line.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : line.substr(first, last - first + 1);
}

std::optional<unsigned long> Number(const fs::path& directory, const char* name, int base) {
  std::string text = Attribute(directory, name);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  unsigned long number = std::strtoul(text.c_str(), &end, base);
  if (*end != '\0') return std::nullopt;
  return number;
}

// The name of the bound driver: the last part of the driver link; "" when none.
std::string DriverName(const fs::path& directory) {
  std::error_code error;
  fs::path target = fs::read_symlink(directory / "driver", error);
  return error ? "" : target.filename().string();
}

struct Interface {
  std::string instance;  // "1-2:1.0"
  uint8_t number = 0;
  uint8_t interfaceClass = 0;
  std::string driver;
};

// Calls visit for each entry of folder. Iterating a folder whose entries come
// and go as devices do can fail at any step; that ends the walk without a throw.
template <typename Visit>
void ForEachEntry(const fs::path& folder, Visit visit) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) visit(*it);
}

std::vector<Interface> InterfacesOf(const fs::path& devices, const std::string& device) {
  std::vector<Interface> interfaces;
  ForEachEntry(devices, [&](const fs::directory_entry& entry) {
    std::string name = entry.path().filename().string();
    if (!name.starts_with(device + ":")) return;
    auto number = Number(entry.path(), "bInterfaceNumber", 16);
    auto interfaceClass = Number(entry.path(), "bInterfaceClass", 16);
    if (!number || !interfaceClass) return;
    interfaces.push_back({name, static_cast<uint8_t>(*number), static_cast<uint8_t>(*interfaceClass),
                          DriverName(entry.path())});
  });
  return interfaces;
}

void AddDevice(UsbRegistry& registry, const fs::path& devices, const fs::directory_entry& entry) {
  std::string name = entry.path().filename().string();
  auto vendor = Number(entry.path(), "idVendor", 16);
  auto product = Number(entry.path(), "idProduct", 16);
  if (!vendor || !product) return;
  auto vid = static_cast<uint16_t>(*vendor);
  auto pid = static_cast<uint16_t>(*product);
  std::vector<Interface> interfaces = InterfacesOf(devices, name);
  bool composite = Number(entry.path(), "bNumInterfaces", 10).value_or(interfaces.size()) > 1;

  std::optional<std::string> service;
  if (!composite && interfaces.size() == 1) {
    // A single-interface device is known by the driver of its interface.
    service = ServiceFor(interfaces.front().driver, interfaces.front().interfaceClass);
  } else {
    service = ServiceFor(DriverName(entry.path()), 0);
  }
  registry[DeviceKeyName(vid, pid, std::nullopt)][name] = service;
  if (!composite) return;
  for (const Interface& interface : interfaces) {
    registry[DeviceKeyName(vid, pid, interface.number)][interface.instance] =
        ServiceFor(interface.driver, interface.interfaceClass);
  }
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

// The next backslash-separated part of path, taken off its front.
std::string_view TakePart(std::string_view& path) {
  size_t end = path.find('\\');
  std::string_view part = path.substr(0, end);
  path.remove_prefix(end == std::string_view::npos ? path.size() : end + 1);
  return part;
}

template <typename Map>
typename Map::const_iterator FindKey(const Map& keys, std::string_view name) {
  for (auto it = keys.begin(); it != keys.end(); ++it) {
    if (SameLetters(it->first, name)) return it;
  }
  return keys.end();
}

template <typename Map>
std::vector<std::string> NamesOf(const Map& keys) {
  std::vector<std::string> names;
  for (const auto& [name, value] : keys) names.push_back(name);
  return names;
}

}  // namespace

fs::path SysfsRoot() {
  const char* root = std::getenv("UPDATER_SYSFS_ROOT");
  return root && *root ? fs::path(root) : fs::path("/sys");
}

UsbRegistry ReadUsbRegistry(const fs::path& root) {
  UsbRegistry registry;
  fs::path devices = root / "bus" / "usb" / "devices";
  ForEachEntry(devices, [&](const fs::directory_entry& entry) {
    if (entry.path().filename().string().find(':') != std::string::npos) return;  // an interface
    AddDevice(registry, devices, entry);
  });
  return registry;
}

std::optional<std::string> ServiceFor(std::string_view driverName, uint8_t interfaceClass) {
  if (interfaceClass == kStillImageClass) return "usbscan";
  if (driverName == "usblp") return "usbprint";
  if (driverName.empty()) {
    if (interfaceClass == kVendorSpecificClass) return "usbscan";
    return std::nullopt;
  }
  return std::string(driverName);
}

std::optional<RegistryNode> LookUp(const UsbRegistry& registry, std::string_view path) {
  if (path.size() < kUsbDevicesKey.size() || !SameLetters(path.substr(0, kUsbDevicesKey.size()), kUsbDevicesKey)) {
    return std::nullopt;
  }
  path.remove_prefix(kUsbDevicesKey.size());
  if (path.empty()) return RegistryNode{NamesOf(registry), std::nullopt};
  if (!path.starts_with('\\')) return std::nullopt;
  path.remove_prefix(1);
  auto device = FindKey(registry, TakePart(path));
  if (device == registry.end()) return std::nullopt;
  if (path.empty()) return RegistryNode{NamesOf(device->second), std::nullopt};
  auto instance = FindKey(device->second, TakePart(path));
  if (instance == device->second.end() || !path.empty()) return std::nullopt;
  return RegistryNode{{}, instance->second};
}

}  // namespace lusb
