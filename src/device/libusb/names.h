// The names the libusb driver gives devices: the still-image port paths the
// discovery opens, the printer-class interface paths, the hardware IDs and the
// device keys, and the SetupDi-style packing of the printer-class properties.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lusb {

// "\\.\UsbscanN\P": port N (the N-th device with a still-image interface), pipe P.
struct StillImagePath {
  int port = 0;
  int pipe = 0;
  bool operator==(const StillImagePath&) const = default;
};
std::optional<StillImagePath> ParseStillImagePath(std::string_view path);

// "usb:BUS:ADDRESS:INTERFACE", decimal: one interface of an attached device.
struct InterfacePath {
  uint8_t bus = 0;
  uint8_t address = 0;
  uint8_t interfaceNumber = 0;
  bool operator==(const InterfacePath&) const = default;
};
std::string FormatInterfacePath(const InterfacePath& path);
std::optional<InterfacePath> ParseInterfacePath(std::string_view path);

// "VID_vvvv&PID_pppp", with "&MI_nn" for an interface of a composite device.
std::string DeviceKeyName(uint16_t vendor, uint16_t product, std::optional<uint8_t> compositeInterface);

// The hardware IDs, most specific first: "USB\VID_vvvv&PID_pppp&REV_rrrr" and
// "USB\VID_vvvv&PID_pppp", each with "&MI_nn" for an interface of a composite
// device.
std::vector<std::string> HardwareIds(uint16_t vendor, uint16_t product, uint16_t release,
                                     std::optional<uint8_t> compositeInterface);

// The texts, each ended by a zero, then one more zero.
std::vector<uint8_t> PackTexts(std::span<const std::string> texts);

// An interface detail: a 4-byte size field, then the path and its terminator.
std::vector<uint8_t> PackInterfaceDetail(std::string_view path);

// Copies a property into buffer when size holds it; *required receives its size.
bool CopyProperty(std::span<const uint8_t> property, uint8_t* buffer, uint32_t size, uint32_t* required);

}  // namespace lusb
