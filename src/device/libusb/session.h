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
// The session's context, shared; null before StartSession succeeded.
std::shared_ptr<libusb_context> SessionContext();
// A context of its own, which lists the devices as sysfs shows them now rather
// than as the device events have told the session; null when libusb cannot start.
std::shared_ptr<libusb_context> FreshContext();

// A referenced libusb device; the reference keeps its context alive.
using DeviceRef = std::shared_ptr<libusb_device>;
DeviceRef Reference(libusb_device* device, std::shared_ptr<libusb_context> context);

// The attached devices of a context (the session's by default), in libusb's
// order, held for the object's life.
class DeviceList {
 public:
  DeviceList() : DeviceList(SessionContext()) {}
  explicit DeviceList(std::shared_ptr<libusb_context> context);
  ~DeviceList();
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  std::span<libusb_device* const> Devices() const { return {list_, count_}; }
  const std::shared_ptr<libusb_context>& Owner() const { return context_; }
  // Whether the list holds the device this program updates.
  bool HoldsUpdaterDevice() const;

 private:
  std::shared_ptr<libusb_context> context_;
  libusb_device** list_ = nullptr;
  size_t count_ = 0;
};

// Whether device is the one this program updates, by its vendor and product.
bool IsUpdaterDevice(libusb_device* device);

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
  // device cannot be opened (why the updater's device cannot be is explained
  // once on standard error).
  static std::shared_ptr<OpenedDevice> Open(const DeviceRef& device);
  ~OpenedDevice();
  OpenedDevice(const OpenedDevice&) = delete;
  OpenedDevice& operator=(const OpenedDevice&) = delete;
  libusb_device_handle* Handle() const { return handle_; }
  libusb_device* Device() const { return libusb_get_device(handle_); }

 private:
  OpenedDevice(libusb_device_handle* handle, DeviceRef device) : device_(std::move(device)), handle_(handle) {}
  DeviceRef device_;  // outlives the handle, with its context
  libusb_device_handle* handle_;
};

// One claimed interface, shared by every open path on it. Claiming detaches the
// kernel driver bound to the interface; the release gives it back.
class ClaimedInterface {
 public:
  // Null when the claim is refused; an interface another program holds is
  // explained once on standard error.
  static std::shared_ptr<ClaimedInterface> Claim(const std::shared_ptr<OpenedDevice>& device, uint8_t number);
  ~ClaimedInterface();
  ClaimedInterface(const ClaimedInterface&) = delete;
  ClaimedInterface& operator=(const ClaimedInterface&) = delete;

 private:
  ClaimedInterface(std::shared_ptr<OpenedDevice> device, uint8_t number) : device_(std::move(device)), number_(number) {}
  std::shared_ptr<OpenedDevice> device_;
  uint8_t number_;
};

// A bulk endpoint that stalled is cleared at once and, should that fail, when a
// pipe on it is next opened, so that trying again needs no power cycle.
void NoteStalled(libusb_device* device, uint8_t endpoint);
void ClearStall(const OpenedDevice& device, uint8_t endpoint);

}  // namespace lusb
