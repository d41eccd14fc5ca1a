// The libusb session of the program: the one libusb context, the attached
// devices, and the device handles and interface claims that several open paths
// share. Every libusb object here is owned by a RAII holder.
#pragma once

#include <libusb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace lusb {

inline constexpr uint8_t kStillImageClass = 0x06;
inline constexpr uint8_t kPrinterClass = 0x07;
inline constexpr uint8_t kVendorSpecificClass = 0xFF;

// Starts libusb once; false with the reason when it cannot start.
bool StartSession(std::string& refusal);
// The context; null before StartSession succeeded.
libusb_context* Context();

// The attached devices, in libusb's order, held for the object's life.
class DeviceList {
 public:
  DeviceList();
  ~DeviceList();
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  std::span<libusb_device* const> Devices() const { return {list_, count_}; }

 private:
  libusb_device** list_ = nullptr;
  size_t count_ = 0;
};

struct ConfigRelease {
  void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};
using Config = std::unique_ptr<libusb_config_descriptor, ConfigRelease>;

// The device's active configuration, else its first; null when neither is known.
Config ConfigOf(libusb_device* device);
// The first setting of interface number within config; null when absent.
const libusb_interface_descriptor* SettingOf(const libusb_config_descriptor& config, uint8_t number);
// The address of the setting's first bulk OUT endpoint; 0 when it has none.
uint8_t FirstBulkOut(const libusb_interface_descriptor& setting);

// One open libusb device handle, shared by every open path on the device.
class OpenedDevice {
 public:
  // The shared handle of device, opened when nobody holds it; null when the
  // device cannot be opened (a missing permission on the updater's device is
  // explained once on standard error).
  static std::shared_ptr<OpenedDevice> Open(libusb_device* device);
  ~OpenedDevice();
  OpenedDevice(const OpenedDevice&) = delete;
  OpenedDevice& operator=(const OpenedDevice&) = delete;
  libusb_device_handle* Handle() const { return handle_; }
  libusb_device* Device() const { return libusb_get_device(handle_); }

 private:
  OpenedDevice(libusb_device_handle* handle, std::shared_ptr<libusb_context> context)
      : context_(std::move(context)), handle_(handle) {}
  std::shared_ptr<libusb_context> context_;  // outlives the handle
  libusb_device_handle* handle_;
};

// One claimed interface, shared by every open path on it. Claiming detaches the
// kernel driver bound to the interface; the release gives it back.
class ClaimedInterface {
 public:
  static std::shared_ptr<ClaimedInterface> Claim(const std::shared_ptr<OpenedDevice>& device, uint8_t number);
  ~ClaimedInterface();
  ClaimedInterface(const ClaimedInterface&) = delete;
  ClaimedInterface& operator=(const ClaimedInterface&) = delete;

 private:
  ClaimedInterface(std::shared_ptr<OpenedDevice> device, uint8_t number) : device_(std::move(device)), number_(number) {}
  std::shared_ptr<OpenedDevice> device_;
  uint8_t number_;
};

// The explanation printed when the updater's device is attached but may not be
// opened by this user.
extern const char* const kPermissionAdvice;

}  // namespace lusb
