#include "device/libusb/session.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

namespace lusb {
namespace {

constexpr uint16_t kUpdaterVendor = 0xFA17;
constexpr uint16_t kUpdaterProduct = 0x0C3E;

std::mutex gSessionMutex;
// Every open device handle keeps a share of the context, so that libusb ends
// only after the last handle has closed, whatever order the program's objects
// are destroyed in when it exits.
std::shared_ptr<libusb_context> gContext;
// Keyed by the libusb device, which each open handle keeps referenced.
std::map<libusb_device*, std::weak_ptr<OpenedDevice>> gOpened;
std::map<std::pair<libusb_device*, uint8_t>, std::weak_ptr<ClaimedInterface>> gClaimed;
std::atomic<bool> gAdviceGiven{false};

bool IsUpdaterDevice(libusb_device* device) {
  libusb_device_descriptor descriptor{};
  return libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS &&
         descriptor.idVendor == kUpdaterVendor && descriptor.idProduct == kUpdaterProduct;
}

}  // namespace

const char* const kPermissionAdvice =
    "updater: the device (USB FA17:0C3E) is attached, but this user may not open it.\n"
    "  Install the updater's package, which brings the device rule (or, built from source,\n"
    "  `sudo make install`), then unplug the device and plug it in again; or run the\n"
    "  updater as root.\n";

bool StartSession(std::string& refusal) {
  std::lock_guard lock(gSessionMutex);
  if (gContext) return true;
  libusb_context* context = nullptr;
  int result = libusb_init(&context);
  if (result != LIBUSB_SUCCESS) {
    refusal = std::string("updater: USB access through libusb could not start: ") + libusb_strerror(result);
    return false;
  }
  gContext.reset(context, [](libusb_context* ending) { libusb_exit(ending); });
  return true;
}

libusb_context* Context() {
  std::lock_guard lock(gSessionMutex);
  return gContext.get();
}

DeviceList::DeviceList() {
  libusb_context* context = Context();
  if (!context) return;
  ssize_t count = libusb_get_device_list(context, &list_);
  if (count < 0) {
    list_ = nullptr;
    return;
  }
  count_ = static_cast<size_t>(count);
}

DeviceList::~DeviceList() {
  if (list_) libusb_free_device_list(list_, 1);
}

Config ConfigOf(libusb_device* device) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) == LIBUSB_SUCCESS) return Config(config);
  if (libusb_get_config_descriptor(device, 0, &config) == LIBUSB_SUCCESS) return Config(config);
  return nullptr;
}

const libusb_interface_descriptor* SettingOf(const libusb_config_descriptor& config, uint8_t number) {
  for (const libusb_interface& interface : std::span(config.interface, config.bNumInterfaces)) {
    if (interface.num_altsetting > 0 && interface.altsetting[0].bInterfaceNumber == number) {
      return &interface.altsetting[0];
    }
  }
  return nullptr;
}

uint8_t FirstBulkOut(const libusb_interface_descriptor& setting) {
  for (const libusb_endpoint_descriptor& endpoint : std::span(setting.endpoint, setting.bNumEndpoints)) {
    bool bulk = (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
    bool out = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_OUT;
    if (bulk && out) return endpoint.bEndpointAddress;
  }
  return 0;
}

std::shared_ptr<OpenedDevice> OpenedDevice::Open(libusb_device* device) {
  std::lock_guard lock(gSessionMutex);
  if (auto opened = gOpened[device].lock()) return opened;
  libusb_device_handle* handle = nullptr;
  int result = libusb_open(device, &handle);
  if (result != LIBUSB_SUCCESS) {
    if (result == LIBUSB_ERROR_ACCESS && IsUpdaterDevice(device) && !gAdviceGiven.exchange(true)) {
      std::fputs(kPermissionAdvice, stderr);
    }
    return nullptr;
  }
  // Claims detach the kernel driver and releases give it back, where the system
  // allows it.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  std::shared_ptr<OpenedDevice> opened(new OpenedDevice(handle, gContext));
  gOpened[device] = opened;
  return opened;
}

OpenedDevice::~OpenedDevice() { libusb_close(handle_); }

std::shared_ptr<ClaimedInterface> ClaimedInterface::Claim(const std::shared_ptr<OpenedDevice>& device,
                                                          uint8_t number) {
  std::lock_guard lock(gSessionMutex);
  auto& slot = gClaimed[{device->Device(), number}];
  if (auto claimed = slot.lock()) return claimed;
  if (libusb_claim_interface(device->Handle(), number) != LIBUSB_SUCCESS) return nullptr;
  std::shared_ptr<ClaimedInterface> claimed(new ClaimedInterface(device, number));
  slot = claimed;
  return claimed;
}

// A device that has gone away refuses the release; the handle closes all the same.
ClaimedInterface::~ClaimedInterface() { libusb_release_interface(device_->Handle(), number_); }

}  // namespace lusb
