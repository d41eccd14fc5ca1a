#include "device/libusb/names.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace lusb {
namespace {

constexpr std::string_view kStillImagePrefix = "\\\\.\\usbscan";
constexpr std::string_view kInterfacePrefix = "usb:";
constexpr uint32_t kDetailSizeField = 4;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A decimal number no larger than `largest` at the front of text, no sign.
std::optional<int> TakeNumber(std::string_view& text, int largest) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc{} || number > largest) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return number;
}

bool TakeSeparator(std::string_view& text, char separator) {
  if (text.empty() || text.front() != separator) return false;
  text.remove_prefix(1);
  return true;
}

std::string Hex4(uint16_t number) {
  char digits[5];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(number));
  return digits;
}

std::string InterfaceSuffix(std::optional<uint8_t> compositeInterface) {
  if (!compositeInterface) return "";
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "&MI_%02X", static_cast<unsigned>(*compositeInterface));
  return suffix;
}

}  // namespace

std::optional<StillImagePath> ParseStillImagePath(std::string_view path) {
  if (path.size() < kStillImagePrefix.size() || !SameLetters(path.substr(0, kStillImagePrefix.size()), kStillImagePrefix)) {
    return std::nullopt;
  }
  path.remove_prefix(kStillImagePrefix.size());
  auto port = TakeNumber(path, 255);
  if (!port || !TakeSeparator(path, '\\')) return std::nullopt;
  auto pipe = TakeNumber(path, 255);
  if (!pipe || !path.empty()) return std::nullopt;
  return StillImagePath{*port, *pipe};
}

std::string FormatInterfacePath(const InterfacePath& path) {
  return std::string(kInterfacePrefix) + std::to_string(path.bus) + ":" + std::to_string(path.address) + ":" +
         std::to_string(path.interfaceNumber);
}

std::optional<InterfacePath> ParseInterfacePath(std::string_view path) {
  if (!path.starts_with(kInterfacePrefix)) return std::nullopt;
  path.remove_prefix(kInterfacePrefix.size());
  auto bus = TakeNumber(path, 255);
  if (!bus || !TakeSeparator(path, ':')) return std::nullopt;
  auto address = TakeNumber(path, 255);
  if (!address || !TakeSeparator(path, ':')) return std::nullopt;
  auto number = TakeNumber(path, 255);
  if (!number || !path.empty()) return std::nullopt;
  return InterfacePath{static_cast<uint8_t>(*bus), static_cast<uint8_t>(*address), static_cast<uint8_t>(*number)};
}

std::string DeviceKeyName(uint16_t vendor, uint16_t product, std::optional<uint8_t> compositeInterface) {
  return "VID_" + Hex4(vendor) + "&PID_" + Hex4(product) + InterfaceSuffix(compositeInterface);
}

std::vector<std::string> HardwareIds(uint16_t vendor, uint16_t product, uint16_t release,
                                     std::optional<uint8_t> compositeInterface) {
  std::string device = "USB\\VID_" + Hex4(vendor) + "&PID_" + Hex4(product);
  std::string suffix = InterfaceSuffix(compositeInterface);
  return {device + "&REV_" + Hex4(release) + suffix, device + suffix};
}

std::vector<uint8_t> PackTexts(std::span<const std::string> texts) {
  std::vector<uint8_t> packed;
  for (const std::string& text : texts) {
    packed.insert(packed.end(), text.begin(), text.end());
    packed.push_back(0);
  }
  packed.push_back(0);
  return packed;
}

std::vector<uint8_t> PackInterfaceDetail(std::string_view path) {
  std::vector<uint8_t> detail(kDetailSizeField + path.size() + 1, 0);
  // The size field holds the size of the record's fixed part: the field and the
  // first character, as a 32-bit program's detail record reports it.
  uint32_t fixedPart = kDetailSizeField + 1;
  std::memcpy(detail.data(), &fixedPart, sizeof fixedPart);
  std::memcpy(detail.data() + kDetailSizeField, path.data(), path.size());
  return detail;
}

bool CopyProperty(std::span<const uint8_t> property, uint8_t* buffer, uint32_t size, uint32_t* required) {
  *required = static_cast<uint32_t>(property.size());
  if (buffer == nullptr || size < property.size()) return false;
  std::memcpy(buffer, property.data(), property.size());
  return true;
}

}  // namespace lusb
