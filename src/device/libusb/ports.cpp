#include "device/libusb/ports.h"

#include <fstream>
#include <mutex>
#include <string>

#include "device/libusb/advice.h"
#include "device/libusb/requests.h"

namespace lusb {
namespace {

bool IsBulkOut(const libusb_endpoint_descriptor& endpoint) {
  return (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK &&
         (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_OUT;
}

// The pipe over interface number of device, described from the device list
// (nothing is opened for it).
std::optional<Pipe> Describe(DeviceRef device, Pipe::Kind kind, uint8_t number, uint8_t writeEndpoint) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device.get(), &descriptor) != LIBUSB_SUCCESS) return std::nullopt;
  Pipe pipe;
  pipe.kind = kind;
  pipe.device = std::move(device);
  pipe.interfaceNumber = number;
  pipe.writeEndpoint = writeEndpoint;
  pipe.descriptor = DescribeStillImage(descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice);
  return pipe;
}

// Whether sysfs still shows the device where the list saw it: a list that no
// device event updates keeps a device that has left.
bool StillAttached(libusb_device* device) {
  uint8_t ports[8];
  int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  if (depth <= 0) return true;  // a root hub, or a path libusb does not know: nothing to check
  std::string name = std::to_string(libusb_get_bus_number(device)) + "-";
  for (int i = 0; i < depth; ++i) {
    if (i) name += '.';
    name += std::to_string(ports[i]);
  }
  std::ifstream file("/sys/bus/usb/devices/" + name + "/devnum");
  int address = -1;
  return static_cast<bool>(file >> address) && address == libusb_get_device_address(device);
}

bool HoldsAttachedUpdaterDevice(const DeviceList& list) {
  for (libusb_device* device : list.Devices()) {
    if (IsUpdaterDevice(device) && StillAttached(device)) return true;
  }
  return false;
}

// The devices one discovery finds its ports among: chosen at port 0 and kept
// for the other ports, so that every port of the discovery counts in the same
// list. The session's list follows the system's device events; where nobody
// passes them on (a container, a chroot, a device attached over the network),
// it neither drops the device that left nor lists the one that came back, and
// sysfs is read afresh instead.
std::shared_ptr<DeviceList> Devices(int port) {
  static std::mutex mutex;
  static std::shared_ptr<DeviceList> chosen;
  std::lock_guard lock(mutex);
  if (port != 0 && chosen) return chosen;
  chosen = std::make_shared<DeviceList>();
  if (!HoldsAttachedUpdaterDevice(*chosen)) {
    if (std::shared_ptr<libusb_context> context = FreshContext()) chosen = std::make_shared<DeviceList>(context);
  }
  return chosen;
}

struct PortDevice {
  DeviceRef device;
  uint8_t interfaceNumber = 0;
};

// Port N is the N-th device in libusb's order that has a still-image interface,
// so hubs and other devices do not push it past the last port the discovery
// tries.
std::optional<PortDevice> FindPort(int port) {
  std::shared_ptr<DeviceList> list = Devices(port);
  int seen = 0;
  for (libusb_device* candidate : list->Devices()) {
    Config config = ConfigOf(candidate);
    std::optional<uint8_t> number = config ? StillImageInterface(*config) : std::nullopt;
    if (number && seen++ == port) return PortDevice{Reference(candidate, list->Owner()), *number};
  }
  if (!list->HoldsUpdaterDevice()) GiveAdvice(Advice::NotFound);
  return std::nullopt;
}

}  // namespace

bool Attach(Pipe& pipe) {
  if (pipe.claim) return true;
  if (!pipe.opened) pipe.opened = OpenedDevice::Open(pipe.device);
  if (!pipe.opened) return false;
  pipe.claim = ClaimedInterface::Claim(pipe.opened, pipe.interfaceNumber);
  if (!pipe.claim) return false;
  if (pipe.writeEndpoint != 0) ClearStall(*pipe.opened, pipe.writeEndpoint);
  return true;
}

std::optional<uint8_t> StillImageInterface(const libusb_config_descriptor& config) {
  std::optional<uint8_t> vendorSpecific;
  for (const libusb_interface& interface : std::span(config.interface, config.bNumInterfaces)) {
    if (interface.num_altsetting < 1) continue;
    const libusb_interface_descriptor& setting = interface.altsetting[0];
    if (setting.bInterfaceClass == kStillImageClass) return setting.bInterfaceNumber;
    if (setting.bInterfaceClass == kVendorSpecificClass && !vendorSpecific) vendorSpecific = setting.bInterfaceNumber;
  }
  return vendorSpecific;
}

std::optional<Pipe> OpenStillImagePipe(const StillImagePath& path, const Pipe* portPipe) {
  std::optional<PortDevice> found;
  if (portPipe) {
    found = PortDevice{portPipe->device, portPipe->interfaceNumber};
  } else {
    found = FindPort(path.port);
  }
  if (!found) return std::nullopt;
  Config config = ConfigOf(found->device.get());
  const libusb_interface_descriptor* setting = config ? SettingOf(*config, found->interfaceNumber) : nullptr;
  if (!setting) return std::nullopt;

  // Pipe 0 is the control pipe; it writes to the interface's first bulk OUT
  // endpoint. Pipe P is the interface's P-th endpoint, written when bulk OUT.
  uint8_t writeEndpoint = 0;
  if (path.pipe == 0) {
    writeEndpoint = FirstBulkOut(*setting);
  } else {
    if (path.pipe > setting->bNumEndpoints) return std::nullopt;
    const libusb_endpoint_descriptor& endpoint = setting->endpoint[path.pipe - 1];
    if (IsBulkOut(endpoint)) writeEndpoint = endpoint.bEndpointAddress;
  }
  bool ours = IsUpdaterDevice(found->device.get());
  std::optional<Pipe> pipe = Describe(std::move(found->device), Pipe::Kind::StillImage, found->interfaceNumber,
                                      writeEndpoint);
  if (!pipe) return std::nullopt;
  pipe->port = path.port;
  // A further pipe means the discovery matched the port.
  if ((ours || portPipe) && !Attach(*pipe)) return std::nullopt;
  return pipe;
}

std::optional<Pipe> OpenPrinterPipe(const InterfacePath& path) {
  DeviceList list;
  for (libusb_device* device : list.Devices()) {
    if (libusb_get_bus_number(device) != path.bus || libusb_get_device_address(device) != path.address) continue;
    Config config = ConfigOf(device);
    if (!config) return std::nullopt;
    const libusb_interface_descriptor* setting = SettingOf(*config, path.interfaceNumber);
    if (!setting || setting->bInterfaceClass != kPrinterClass) return std::nullopt;
    // The path is opened only for the interface whose hardware ID matched.
    std::optional<Pipe> pipe = Describe(Reference(device, list.Owner()), Pipe::Kind::Printer, path.interfaceNumber,
                                        FirstBulkOut(*setting));
    if (!pipe || !Attach(*pipe)) return std::nullopt;
    return pipe;
  }
  return std::nullopt;
}

}  // namespace lusb
