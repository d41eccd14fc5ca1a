// The registry read from sysfs. The input describes a small tree of attribute
// files and driver links, made in a temporary directory; whatever it holds, the
// registry read from it is found again key by key through the look-up.
//
// One line each (at most 48):  DIR/NAME=VALUE  an attribute file
//                              DIR/NAME>TARGET a link
//                              ?PATH           a look-up under HKEY_LOCAL_MACHINE
// Names are made of letters, digits and ".-_:", at most 3 deep; link targets
// stay inside the tree.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/libusb/sysfs_registry.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 48;
constexpr std::string_view kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// A relative path of safe names, at most 3 deep; empty when the text is none.
fs::path SafePath(const std::string& text) {
  fs::path path;
  int depth = 0;
  for (size_t at = 0; at <= text.size(); ++depth) {
    size_t end = std::min(text.find('/', at), text.size());
    std::string name = text.substr(at, end - at);
    bool safe = fuzz::SafeName(name, ".-_:");
    if (!safe || depth >= 3) return {};
    path /= name;
    at = end + 1;
  }
  return path;
}

void Build(const fs::path& devices, fuzz::Input& input, std::vector<std::string>& lookUps) {
  std::string line;
  for (int n = 0; n < kLines && input.Line(line); ++n) {
    if (line.starts_with('?')) {
      lookUps.push_back(line.substr(1));
      continue;
    }
    size_t mark = line.find_first_of("=>");
    if (mark == std::string::npos) continue;
    fs::path where = SafePath(line.substr(0, mark));
    if (where.empty()) continue;
    std::error_code error;
    fs::create_directories((devices / where).parent_path(), error);
    if (line[mark] == '=') {
      std::ofstream(devices / where, std::ios::binary) << line.substr(mark + 1);
    } else {
      fs::path target = SafePath(line.substr(mark + 1));
      if (!target.empty()) fs::create_symlink(devices / target, devices / where, error);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& root = fuzz::ScratchDirectory();
  std::error_code error;
  fs::remove_all(root / "bus", error);
  fs::path devices = root / "bus" / "usb" / "devices";
  fs::create_directories(devices, error);
  fuzz::Input input(data, size);
  std::vector<std::string> lookUps;
  Build(devices, input, lookUps);

  lusb::UsbRegistry registry = lusb::ReadUsbRegistry(root);
  auto top = lusb::LookUp(registry, kUsb);
  fuzz::Check(top && top->subkeys.size() == registry.size(), "the devices' key lists every device");
  for (const auto& [device, instances] : registry) {
    fuzz::Check(device.starts_with("VID_"), "a device key names its vendor");
    auto key = lusb::LookUp(registry, std::string(kUsb) + "\\" + device);
    fuzz::Check(key && key->subkeys.size() == instances.size(), "a device's key lists its instances");
    for (const auto& [instance, service] : instances) {
      auto node = lusb::LookUp(registry, std::string(kUsb) + "\\" + device + "\\" + instance);
      fuzz::Check(node && node->service == service, "an instance's key holds its service");
    }
  }
  for (const std::string& path : lookUps) lusb::LookUp(registry, path);
  return 0;
}
