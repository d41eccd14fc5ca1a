#include "device/libusb/session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <tuple>
#include <utility>

#include "device/libusb/advice.h"

namespace lusb {
namespace {

std::mutex gSessionMutex;
// Every open device handle keeps a share of its context, so that libusb ends
// only after the last handle has closed, whatever order the program's objects
// are destroyed in when it exits.
std::shared_ptr<libusb_context> gContext;
// Keyed by the libusb device, which each open handle keeps referenced.
std::map<libusb_device*, std::weak_ptr<OpenedDevice>> gOpened;
std::map<std::pair<libusb_device*, uint8_t>, std::weak_ptr<ClaimedInterface>> gClaimed;
// Stalled endpoints by bus, address and endpoint address.
std::set<std::tuple<uint8_t, uint8_t, uint8_t>> gStalled;

std::shared_ptr<libusb_context> Share(libusb_context* context) {
  return std::shared_ptr<libusb_context>(context, [](libusb_context* ending) { libusb_exit(ending); });
}

std::string DeviceFile(libusb_device* device) {
  char file[32];
  std::snprintf(file, sizeof file, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                libusb_get_device_address(device));
  return file;
}

// libusb reports a refused open of a device file as little more than "access"
// or "I/O"; the system's own error tells the causes apart.
void ExplainRefusedOpen(libusb_device* device) {
  std::string file = DeviceFile(device);
  int descriptor = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor >= 0) {
    ::close(descriptor);
    return;
  }
  int error = errno;
  bool busFolderPresent = ::access(file.substr(0, file.rfind('/')).c_str(), F_OK) == 0;
  if (auto advice = CauseOfRefusedOpen(error, busFolderPresent)) GiveAdvice(*advice, file);
}

}  // namespace

bool StartSession(std::string& refusal) {
  std::lock_guard lock(gSessionMutex);
  if (gContext) return true;
  libusb_context* context = nullptr;
  int result = libusb_init(&context);
  if (result != LIBUSB_SUCCESS) {
    refusal = std::string("updater: USB access through libusb could not start: ") + libusb_strerror(result) +
              ".\n  It needs /sys/bus/usb and /dev/bus/usb; in a container, bind both in from the host.";
    return false;
  }
  gContext = Share(context);
  return true;
}

libusb_context* Context() {
  std::lock_guard lock(gSessionMutex);
  return gContext.get();
}

std::shared_ptr<libusb_context> SessionContext() {
  std::lock_guard lock(gSessionMutex);
  return gContext;
}

std::shared_ptr<libusb_context> FreshContext() {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != LIBUSB_SUCCESS) return nullptr;
  return Share(context);
}

DeviceRef Reference(libusb_device* device, std::shared_ptr<libusb_context> context) {
  return DeviceRef(libusb_ref_device(device), [context = std::move(context)](libusb_device* released) {
    libusb_unref_device(released);
  });
}

DeviceList::DeviceList(std::shared_ptr<libusb_context> context) : context_(std::move(context)) {
  if (!context_) return;
  ssize_t count = libusb_get_device_list(context_.get(), &list_);
  if (count < 0) {
    list_ = nullptr;
    return;
  }
  count_ = static_cast<size_t>(count);
}

DeviceList::~DeviceList() {
  if (list_) libusb_free_device_list(list_, 1);
}

bool DeviceList::HoldsUpdaterDevice() const {
  for (libusb_device* device : Devices()) {
    if (IsUpdaterDevice(device)) return true;
  }
  return false;
}

bool IsUpdaterDevice(libusb_device* device) {
  libusb_device_descriptor descriptor{};
  return libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS &&
         descriptor.idVendor == kUpdaterVendor && descriptor.idProduct == kUpdaterProduct;
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

std::shared_ptr<OpenedDevice> OpenedDevice::Open(const DeviceRef& device) {
  std::lock_guard lock(gSessionMutex);
  // Devices come and go (a fresh list has devices of its own): the keys of the
  // handles that have closed go.
  std::erase_if(gOpened, [](const auto& entry) { return entry.second.expired(); });
  std::erase_if(gClaimed, [](const auto& entry) { return entry.second.expired(); });
  if (auto opened = gOpened[device.get()].lock()) return opened;
  libusb_device_handle* handle = nullptr;
  if (libusb_open(device.get(), &handle) != LIBUSB_SUCCESS) {
    if (IsUpdaterDevice(device.get())) ExplainRefusedOpen(device.get());
    return nullptr;
  }
  if (IsUpdaterDevice(device.get())) NoteDeviceOpened();
  // Claims detach the kernel driver and releases give it back, where the system
  // allows it.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  std::shared_ptr<OpenedDevice> opened(new OpenedDevice(handle, device));
  gOpened[device.get()] = opened;
  return opened;
}

OpenedDevice::~OpenedDevice() { libusb_close(handle_); }

std::shared_ptr<ClaimedInterface> ClaimedInterface::Claim(const std::shared_ptr<OpenedDevice>& device,
                                                          uint8_t number) {
  std::lock_guard lock(gSessionMutex);
  auto& slot = gClaimed[{device->Device(), number}];
  if (auto claimed = slot.lock()) return claimed;
  int result = libusb_claim_interface(device->Handle(), number);
  if (result != LIBUSB_SUCCESS) {
    if (result == LIBUSB_ERROR_BUSY && IsUpdaterDevice(device->Device())) GiveAdvice(Advice::Held);
    return nullptr;
  }
  std::shared_ptr<ClaimedInterface> claimed(new ClaimedInterface(device, number));
  slot = claimed;
  return claimed;
}

// A device that has gone away refuses the release; the handle closes all the same.
ClaimedInterface::~ClaimedInterface() { libusb_release_interface(device_->Handle(), number_); }

void NoteStalled(libusb_device* device, uint8_t endpoint) {
  std::lock_guard lock(gSessionMutex);
  gStalled.insert({libusb_get_bus_number(device), libusb_get_device_address(device), endpoint});
}

void ClearStall(const OpenedDevice& device, uint8_t endpoint) {
  std::tuple<uint8_t, uint8_t, uint8_t> key{libusb_get_bus_number(device.Device()),
                                            libusb_get_device_address(device.Device()), endpoint};
  {
    std::lock_guard lock(gSessionMutex);
    if (!gStalled.count(key)) return;
  }
  // Kept for the next open when the device does not take the clearing now.
  if (libusb_clear_halt(device.Handle(), endpoint) != LIBUSB_SUCCESS) return;
  std::lock_guard lock(gSessionMutex);
  gStalled.erase(key);
}

}  // namespace lusb
