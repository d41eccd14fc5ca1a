// The system's record of USB devices, read from sysfs in the shape the device
// discovery reads from the Windows registry: under
// "SYSTEM\CurrentControlSet\Enum\USB" one key per device (VID_vvvv&PID_pppp) and
// per interface of a composite device (VID_vvvv&PID_pppp&MI_nn); under each, one
// key per attached instance, named as sysfs names it ("1-2", "1-2:1.0"), with the
// value "Service": the name of the bound kernel driver, as its Windows
// counterpart is named where the discovery looks for one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lusb {

// Device key → instance → the instance's service (none: no driver is bound).
using UsbRegistry = std::map<std::string, std::map<std::string, std::optional<std::string>>>;

// The sysfs root: /sys, or the folder the environment variable
// UPDATER_SYSFS_ROOT names. The variable is a diagnostic: it lets the program
// read a copy of another machine's sysfs tree. Only the record of devices is read
// from it; the devices themselves are always found and opened through libusb.
std::filesystem::path SysfsRoot();

// Reads the attached devices under root/bus/usb/devices. An absent or unreadable
// tree is an empty registry.
UsbRegistry ReadUsbRegistry(const std::filesystem::path& root);

// The service an interface (or a device without a single interface) bound to
// driverName ("" when none) is recorded with: usblp is usbprint; a still-image
// interface (class 6), or a vendor-specific one (0xFF) that no kernel driver
// holds, is usbscan; any other driver keeps its name; no driver, no service.
std::optional<std::string> ServiceFor(std::string_view driverName, uint8_t interfaceClass);

// One key: its subkeys in order, and its Service value when it has one.
struct RegistryNode {
  std::vector<std::string> subkeys;
  std::optional<std::string> service;
};

// The key at path under HKEY_LOCAL_MACHINE, compared without regard to case;
// nothing when the registry has no such key.
std::optional<RegistryNode> LookUp(const UsbRegistry& registry, std::string_view path);

}  // namespace lusb
