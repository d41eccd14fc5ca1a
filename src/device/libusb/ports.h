// The open paths of the libusb driver: a still-image pipe found by its port
// among the devices with a still-image interface, or a printer-class interface found by its bus, address
// and interface number.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "device/libusb/names.h"
#include "device/libusb/session.h"
#include "device/usb_wire.h"

namespace lusb {

struct Pipe {
  enum class Kind { StillImage, Printer };
  Kind kind = Kind::StillImage;
  std::shared_ptr<OpenedDevice> device;
  uint8_t interfaceNumber = 0;
  // Claimed before the first transfer, so that opening a port only to read its
  // descriptor leaves the kernel drivers of other devices alone.
  std::shared_ptr<ClaimedInterface> claim;
  uint8_t writeEndpoint = 0;  // bulk OUT; 0: the pipe takes no writes
  StillImageDescriptor descriptor{};
};

// The still-image interface of a device: its first interface of class 6, else
// its first vendor-specific one. Nothing when it has neither.
std::optional<uint8_t> StillImageInterface(const libusb_config_descriptor& config);

std::optional<Pipe> OpenStillImagePipe(const StillImagePath& path);
std::optional<Pipe> OpenPrinterPipe(const InterfacePath& path);

}  // namespace lusb
