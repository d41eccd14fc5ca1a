// The open paths of the libusb driver: a still-image pipe found by its port
// among the devices with a still-image interface, or a printer-class interface
// found by its bus, address and interface number.
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
  // The device the path resolved to; every further pipe of the same port is
  // resolved to this very device, never looked up again.
  DeviceRef device;
  int port = -1;  // the still-image port; -1 on a printer-class path
  uint8_t interfaceNumber = 0;
  // Opened and claimed when the pipe is attached: at once on the device this
  // program updates (which the program holds from its first pipe on, as the
  // still-image driver holds a port), else at the first transfer or further pipe,
  // so that reading another device's descriptor opens nothing.
  std::shared_ptr<OpenedDevice> opened;
  std::shared_ptr<ClaimedInterface> claim;
  uint8_t writeEndpoint = 0;  // bulk OUT; 0: the pipe takes no writes
  StillImageDescriptor descriptor{};
};

// Opens the pipe's device and claims its interface, clearing a stall left on its
// bulk OUT endpoint; false when the device or the interface is refused.
bool Attach(Pipe& pipe);

// The still-image interface of a device: its first interface of class 6, else
// its first vendor-specific one. Nothing when it has neither.
std::optional<uint8_t> StillImageInterface(const libusb_config_descriptor& config);

// A further pipe of a port is resolved from portPipe, an open pipe of the same
// port, when there is one.
std::optional<Pipe> OpenStillImagePipe(const StillImagePath& path, const Pipe* portPipe);
std::optional<Pipe> OpenPrinterPipe(const InterfacePath& path);

}  // namespace lusb
