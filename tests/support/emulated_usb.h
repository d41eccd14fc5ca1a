// USB devices emulated below libusb: the kernel's device files and sysfs entries
// come from a umockdev test bed, and the usbfs requests on a device file are
// answered here, by the simulated master controller where a test gives one.
// One bus serves the whole test program, as libusb's session does.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {
class Controller;
}

namespace testing_support {

// Every endpoint is a bulk endpoint, with 512-byte packets at high speed and
// 64-byte ones at full speed; the address carries the direction (0x80: in).
struct UsbInterfaceSpec {
  uint8_t interfaceClass = 0;
  std::vector<uint8_t> endpoints;
  std::string kernelDriver;  // the kernel driver bound to the interface; empty: none
  bool claimedElsewhere = false;  // another process holds it: claims answer "busy"
};

struct UsbDeviceSpec {
  uint8_t address = 0;  // on bus 1
  uint16_t vendor = 0;
  uint16_t product = 0;
  uint16_t release = 0x0100;
  std::vector<UsbInterfaceSpec> interfaces;
  bool fullSpeed = false;
};

// One transfer as the device saw it.
struct SeenTransfer {
  enum class Kind { Control, Bulk };
  Kind kind = Kind::Control;
  uint8_t endpoint = 0;
  std::array<uint8_t, 8> setup{};  // control transfers
  uint32_t length = 0;             // the data stage or the bulk bytes
  bool operator==(const SeenTransfer&) const = default;
};

class EmulatedUsb {
 public:
  // The bus; null with the reason when the emulation cannot run here.
  static EmulatedUsb* Get(std::string& why);

  // Attaches a device. Its vendor requests (0xC1) and bulk OUT bytes go to
  // controller when one is given; without one every control request stalls and
  // bulk bytes are taken and forgotten. Unannounced, no "add" event tells other
  // programs (this one still hears it): only a fresh read of sysfs finds the
  // device.
  void Plug(const UsbDeviceSpec& spec, sim::Controller* controller = nullptr, bool announced = true);
  // Detaches a device: its transfers in flight end with "no device", and its
  // open files refuse everything after. Unannounced, no "remove" event tells
  // other programs: only a fresh read of sysfs misses the device.
  void Unplug(uint8_t address, bool announced = true);
  void UnplugAll();
  // Waits until libusb's session lists count devices; false after 5 seconds.
  bool WaitForDevices(size_t count);

  // Whether the controller's device is switched on now; the controller is
  // consulted under the bus's lock, as its requests are.
  bool SwitchedOn(sim::Controller& controller);

  // Transfers of kind to the device stay in flight instead of completing,
  // until the device goes or libusb cancels them; nullopt ends the holding. A
  // held bulk transfer has taken its first partBytes when it ends.
  void Hold(uint8_t address, std::optional<SeenTransfer::Kind> kind, uint32_t partBytes = 0);
  // Every bulk transfer ends at once, short, having taken at most bytes (0: all).
  void Shorten(uint8_t address, uint32_t bytes);
  // The timeout the program gave its last bulk transfer.
  static unsigned LastBulkTimeoutMs();
  // The bulk endpoint stalls every transfer until its halt is cleared.
  void Stall(uint8_t address, uint8_t endpoint);
  // How many times the device file was opened.
  int Opens(uint8_t address);
  // Waits until a transfer is held on the device; false after 5 seconds.
  bool WaitForHeld(uint8_t address);

  std::vector<SeenTransfer> Seen(uint8_t address);
  // Claims and releases of interface N ("+N", "-N"), its kernel driver set
  // aside and bound again ("usblp off N", "usblp on N") and the halt of endpoint
  // E cleared ("clear E", hexadecimal), in order.
  std::vector<std::string> Claims(uint8_t address);
  void ClearSeen();

  // The test bed's device file of address.
  std::string DeviceFile(uint8_t address) const;
  // The test bed's root folder.
  std::string RootDir() const;

  // The usbfs request handler's entry; not for tests.
  struct State;
  State& Shared() { return *state_; }

 private:
  EmulatedUsb();
  State* state_;
};

// The still-image device of our model, at high speed: interface 0 of class 6
// with a bulk IN endpoint 0x81 and a bulk OUT endpoint 0x02, interface 1 of the
// printer class when printer is set.
UsbDeviceSpec UpdaterDeviceSpec(uint8_t address, bool printer = false);

}  // namespace testing_support
