#include "device/libusb/ports.h"

#include "device/libusb/requests.h"

namespace lusb {
namespace {

bool IsBulkOut(const libusb_endpoint_descriptor& endpoint) {
  return (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK &&
         (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_OUT;
}

// The open pipe over interface number of device, with its descriptor.
std::optional<Pipe> OpenOn(libusb_device* device, Pipe::Kind kind, uint8_t number, uint8_t writeEndpoint) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return std::nullopt;
  std::shared_ptr<OpenedDevice> opened = OpenedDevice::Open(device);
  if (!opened) return std::nullopt;
  Pipe pipe;
  pipe.kind = kind;
  pipe.device = std::move(opened);
  pipe.interfaceNumber = number;
  pipe.writeEndpoint = writeEndpoint;
  pipe.descriptor = DescribeStillImage(descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice);
  return pipe;
}

}  // namespace

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

std::optional<Pipe> OpenStillImagePipe(const StillImagePath& path) {
  // Port N is the N-th device in libusb's order that has a still-image
  // interface, so hubs and other devices do not push it past the last port the
  // discovery tries.
  DeviceList list;
  libusb_device* device = nullptr;
  Config config;
  std::optional<uint8_t> number;
  int port = 0;
  for (libusb_device* candidate : list.Devices()) {
    config = ConfigOf(candidate);
    number = config ? StillImageInterface(*config) : std::nullopt;
    if (number && port++ == path.port) {
      device = candidate;
      break;
    }
  }
  if (!device) return std::nullopt;
  const libusb_interface_descriptor* setting = SettingOf(*config, *number);
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
  return OpenOn(device, Pipe::Kind::StillImage, *number, writeEndpoint);
}

std::optional<Pipe> OpenPrinterPipe(const InterfacePath& path) {
  DeviceList list;
  for (libusb_device* device : list.Devices()) {
    if (libusb_get_bus_number(device) != path.bus || libusb_get_device_address(device) != path.address) continue;
    Config config = ConfigOf(device);
    if (!config) return std::nullopt;
    const libusb_interface_descriptor* setting = SettingOf(*config, path.interfaceNumber);
    if (!setting || setting->bInterfaceClass != kPrinterClass) return std::nullopt;
    return OpenOn(device, Pipe::Kind::Printer, path.interfaceNumber, FirstBulkOut(*setting));
  }
  return std::nullopt;
}

}  // namespace lusb
