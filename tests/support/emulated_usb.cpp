#include "support/emulated_usb.h"

#include <dlfcn.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "device/libusb/session.h"
#include "device/sim/controller.h"

static std::atomic<unsigned> gLastBulkTimeoutMs{0};

// The driver's bulk transfers pass through here on their way to libusb, so that
// the timeout they are given can be read without waiting for it.
extern "C" int libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data,
                                    int length, int* transferred, unsigned int timeout) {
  using Transfer = int (*)(libusb_device_handle*, unsigned char, unsigned char*, int, int*, unsigned int);
  static const auto real = reinterpret_cast<Transfer>(dlsym(RTLD_NEXT, "libusb_bulk_transfer"));
  gLastBulkTimeoutMs = timeout;
  return real(handle, endpoint, data, length, transferred, timeout);
}

namespace testing_support {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(5);

// A transfer the device has taken: done ones wait to be reaped, held ones for
// the device to go.
struct Urb {
  UMockdevIoctlData* urb = nullptr;  // holds a reference
  int status = 0;
  int actual = 0;
};

struct DeviceState {
  UsbDeviceSpec spec;
  sim::Controller* controller = nullptr;
  bool present = false;
  std::optional<SeenTransfer::Kind> hold;  // transfers of this kind stay in flight
  uint32_t heldPart = 0;                   // bytes a held bulk transfer has taken
  uint32_t shortBulk = 0;                  // bytes every bulk transfer takes at most; 0: all
  std::set<uint8_t> stalled;               // bulk endpoints halted
  int opens = 0;
  std::deque<Urb> done;
  std::vector<Urb> held;
  std::vector<SeenTransfer> seen;
  std::vector<std::string> claims;
  std::map<unsigned, std::string> boundDrivers;  // by interface number
};

void AppendHex(std::string& text, std::initializer_list<int> bytes) {
  char pair[3];
  for (int byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte & 0xFF);
    text += pair;
  }
}

// The descriptors file of sysfs: the device descriptor, then the configuration
// with its interfaces and their endpoints.
std::string DescriptorsHex(const UsbDeviceSpec& spec) {
  int total = 9;
  for (const UsbInterfaceSpec& interface : spec.interfaces) total += 9 + 7 * static_cast<int>(interface.endpoints.size());
  std::string hex;
  AppendHex(hex, {18, 1, 0x00, 0x02, 0, 0, 0, 64, spec.vendor, spec.vendor >> 8, spec.product, spec.product >> 8,
                  spec.release, spec.release >> 8, 0, 0, 0, 1});
  AppendHex(hex, {9, 2, total, total >> 8, static_cast<int>(spec.interfaces.size()), 1, 0, 0x80, 50});
  int number = 0;
  int packet = spec.fullSpeed ? 64 : 512;
  for (const UsbInterfaceSpec& interface : spec.interfaces) {
    AppendHex(hex, {9, 4, number++, 0, static_cast<int>(interface.endpoints.size()), interface.interfaceClass, 0,
                    0, 0});
    for (uint8_t endpoint : interface.endpoints) AppendHex(hex, {7, 5, endpoint, 2, packet, packet >> 8, 0});
  }
  return hex;
}

std::string Hex4(uint16_t value) {
  char digits[5];
  std::snprintf(digits, sizeof digits, "%04x", value);
  return digits;
}

std::string SysPath(uint8_t address) { return "/sys/devices/usb1/1-" + std::to_string(address); }

// The memory of a request's argument, seen as T.
template <typename T>
T* As(UMockdevIoctlData* data) {
  return reinterpret_cast<T*>(data->data);
}

// Interface number of the device at address, as sysfs names it: 1-5:1.0.
std::string InterfacePath(uint8_t address, size_t number) {
  return SysPath(address) + "/1-" + std::to_string(address) + ":1." + std::to_string(number);
}

uint8_t AddressOf(const char* deviceFile) {
  const char* slash = deviceFile ? std::strrchr(deviceFile, '/') : nullptr;
  return slash ? static_cast<uint8_t>(std::atoi(slash + 1)) : 0;
}

// Hands a finished transfer back through the reap request's argument.
void GiveBack(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Urb urb) {
  auto* record = As<usbdevfs_urb>(urb.urb);
  record->status = urb.status;
  record->actual_length = urb.actual;
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
  umockdev_ioctl_client_complete(client, 0, 0);
  g_object_unref(slot);
  g_object_unref(urb.urb);
}

}  // namespace

struct EmulatedUsb::State {
  std::mutex mutex;
  std::condition_variable changed;
  UMockdevTestbed* testbed = nullptr;
  UMockdevIoctlBase* handler = nullptr;
  std::map<uint8_t, DeviceState> devices;
  std::set<std::string> attached;
  std::set<std::string> ownListeners;  // this program's sockets for device events
  Clock::time_point start = Clock::now();

  uint64_t Now() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  }
};

namespace {

// One transfer submitted to a present device: the control transfers answered by
// the controller, the bulk OUT bytes given to it.
void Submit(EmulatedUsb::State& state, DeviceState& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  auto* record = As<usbdevfs_urb>(urbData);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                                          static_cast<size_t>(record->buffer_length), nullptr);
  uint8_t* bytes = As<uint8_t>(buffer);
  Urb urb{urbData, 0, 0};
  SeenTransfer seen;
  seen.endpoint = record->endpoint;
  if (record->type == USBDEVFS_URB_TYPE_CONTROL && record->buffer_length >= 8) {
    seen.kind = SeenTransfer::Kind::Control;
    std::memcpy(seen.setup.data(), bytes, 8);
    uint16_t length = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    seen.length = length;
    uint32_t returned = 0;
    bool held = device.hold == seen.kind;
    bool answered = !held && device.controller && bytes[0] == 0xC1 &&
                    8u + length <= static_cast<unsigned>(record->buffer_length) &&
                    device.controller->Request(bytes[1], bytes + 8, length, &returned, state.Now());
    urb.status = answered || held ? 0 : -EPIPE;
    urb.actual = answered ? static_cast<int>(returned) : 0;
  } else if (record->type == USBDEVFS_URB_TYPE_BULK && !(record->endpoint & 0x80)) {
    seen.kind = SeenTransfer::Kind::Bulk;
    seen.length = static_cast<uint32_t>(record->buffer_length);
    bool held = device.hold == seen.kind;
    uint32_t taken = held ? std::min(device.heldPart, seen.length) : seen.length;
    if (!held && device.shortBulk) taken = std::min(taken, device.shortBulk);
    if (device.stalled.count(record->endpoint)) {
      urb.status = -EPIPE;
      taken = 0;
    }
    urb.actual = static_cast<int>(taken);
    if (taken > 0 && device.controller) device.controller->Receive(bytes, taken, state.Now());
  } else {
    g_object_unref(buffer);
    g_object_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  g_object_unref(buffer);
  device.seen.push_back(seen);
  if (device.hold == seen.kind && urb.status == 0) {
    device.held.push_back(urb);
    state.changed.notify_all();
  } else {
    device.done.push_back(urb);
  }
  umockdev_ioctl_client_complete(client, 0, 0);
}

// The interface number that the argument of a claim, a release, a driver
// query or a disconnect-and-claim starts with.
unsigned InterfaceNumber(UMockdevIoctlData* arg) {
  UMockdevIoctlData* number = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
  unsigned value = number ? *As<unsigned>(number) : 0;
  if (number) g_object_unref(number);
  return value;
}

// Which kernel driver holds an interface (USBDEVFS_GETDRIVER).
void AnswerDriverQuery(DeviceState& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  UMockdevIoctlData* query = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
  auto* record = As<usbdevfs_getdriver>(query);
  auto bound = device.boundDrivers.find(record->interface);
  if (bound == device.boundDrivers.end()) {
    umockdev_ioctl_client_complete(client, -1, ENODATA);
  } else {
    std::snprintf(record->driver, sizeof record->driver, "%s", bound->second.c_str());
    umockdev_ioctl_client_complete(client, 0, 0);
  }
  g_object_unref(query);
}

// The kernel driver of an interface set aside or bound again (USBDEVFS_IOCTL).
void AnswerDriverRequest(DeviceState& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  UMockdevIoctlData* request = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
  const auto* record = As<usbdevfs_ioctl>(request);
  auto number = static_cast<unsigned>(record->ifno);
  const UsbDeviceSpec& spec = device.spec;
  std::string driver = number < spec.interfaces.size() ? spec.interfaces[number].kernelDriver : "";
  if (record->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT) && device.boundDrivers.erase(number)) {
    device.claims.push_back(driver + " off " + std::to_string(number));
    umockdev_ioctl_client_complete(client, 0, 0);
  } else if (record->ioctl_code == static_cast<int>(USBDEVFS_CONNECT) && !driver.empty() &&
             !device.boundDrivers.count(number)) {
    device.boundDrivers[number] = driver;
    device.claims.push_back(driver + " on " + std::to_string(number));
    umockdev_ioctl_client_complete(client, 0, 0);
  } else {
    umockdev_ioctl_client_complete(client, -1, ENODATA);
  }
  g_object_unref(request);
}

// The usbfs requests on the test bed's device files, answered as the kernel
// answers them.
gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto& state = *static_cast<EmulatedUsb::State*>(data);
  unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::lock_guard lock(state.mutex);
  auto found = state.devices.find(AddressOf(umockdev_ioctl_client_get_devnode(client)));
  DeviceState* device = found == state.devices.end() ? nullptr : &found->second;
  bool present = device && device->present;

  switch (request) {
    case USBDEVFS_CLEAR_HALT: {
      unsigned endpoint = InterfaceNumber(arg);
      if (!present) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
      }
      device->stalled.erase(static_cast<uint8_t>(endpoint));
      char cleared[16];
      std::snprintf(cleared, sizeof cleared, "clear %02x", endpoint);
      device->claims.push_back(cleared);
      umockdev_ioctl_client_complete(client, 0, 0);
      return TRUE;
    }
    case USBDEVFS_GET_CAPABILITIES: {
      // Asked once by every open of the device file.
      if (device) ++device->opens;
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      *As<uint32_t>(caps) =
          USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
          USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      g_object_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return TRUE;
    }
    case USBDEVFS_GETDRIVER:
      if (present) AnswerDriverQuery(*device, client, arg);
      else umockdev_ioctl_client_complete(client, -1, ENODEV);
      return TRUE;
    case USBDEVFS_IOCTL:
      if (present) AnswerDriverRequest(*device, client, arg);
      else umockdev_ioctl_client_complete(client, -1, ENODEV);
      return TRUE;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_RELEASEINTERFACE: {
      if (!present) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
      }
      unsigned number = InterfaceNumber(arg);
      bool elsewhere = number < device->spec.interfaces.size() && device->spec.interfaces[number].claimedElsewhere;
      if (request != USBDEVFS_RELEASEINTERFACE && elsewhere) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return TRUE;
      }
      auto bound = device->boundDrivers.find(number);
      if (request == USBDEVFS_DISCONNECT_CLAIM && bound != device->boundDrivers.end()) {
        device->claims.push_back(bound->second + " off " + std::to_string(number));
        device->boundDrivers.erase(bound);
      } else if (request == USBDEVFS_CLAIMINTERFACE && bound != device->boundDrivers.end()) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return TRUE;
      }
      bool claim = request != USBDEVFS_RELEASEINTERFACE;
      device->claims.push_back((claim ? "+" : "-") + std::to_string(number));
      umockdev_ioctl_client_complete(client, 0, 0);
      return TRUE;
    }
    case USBDEVFS_SUBMITURB:
      if (!present) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
      } else {
        Submit(state, *device, client, arg);
      }
      return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      if (device && !device->done.empty()) {
        Urb urb = device->done.front();
        device->done.pop_front();
        GiveBack(client, arg, urb);
      } else {
        umockdev_ioctl_client_complete(client, -1, present ? EAGAIN : ENODEV);
      }
      return TRUE;
    case USBDEVFS_DISCARDURB: {
      unsigned long address = arg ? *As<unsigned long>(arg) : 0;
      for (auto held = device ? device->held.begin() : std::vector<Urb>::iterator{};
           device && held != device->held.end(); ++held) {
        if (held->urb->client_addr == address) {
          device->done.push_back({held->urb, -ENOENT, held->actual});
          device->held.erase(held);
          umockdev_ioctl_client_complete(client, 0, 0);
          return TRUE;
        }
      }
      umockdev_ioctl_client_complete(client, -1, EINVAL);
      return TRUE;
    }
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return TRUE;
  }
}

// The test bed tells the listeners of device events through one socket each,
// root/eventN.
std::set<std::string> EventSockets(const std::string& root) {
  std::set<std::string> sockets;
  std::error_code error;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with("event")) sockets.insert(it->path().string());
  }
  return sockets;
}

// The sockets of other programs' listeners set aside: they hear nothing until
// put back.
class EventsUnheard {
 public:
  EventsUnheard(const std::string& root, const std::set<std::string>& ours) {
    for (const std::string& socket : EventSockets(root)) {
      if (!ours.count(socket)) aside_.push_back(socket);
    }
    std::error_code error;
    for (const fs::path& socket : aside_) fs::rename(socket, Aside(socket), error);
  }
  ~EventsUnheard() {
    std::error_code error;
    for (const fs::path& socket : aside_) fs::rename(Aside(socket), socket, error);
  }
  EventsUnheard(const EventsUnheard&) = delete;
  EventsUnheard& operator=(const EventsUnheard&) = delete;

 private:
  static fs::path Aside(const fs::path& socket) {
    return socket.parent_path() / ("unheard-" + socket.filename().string());
  }
  std::vector<fs::path> aside_;
};

bool PreloadActive() {
  void* preload = ::dlopen("libumockdev-preload.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (preload) ::dlclose(preload);
  return preload != nullptr;
}

}  // namespace

EmulatedUsb::EmulatedUsb() : state_(new State) {
  state_->testbed = umockdev_testbed_new();
  state_->handler = umockdev_ioctl_base_new();
  g_signal_connect(state_->handler, "handle-ioctl", G_CALLBACK(OnIoctl), state_);
}

EmulatedUsb* EmulatedUsb::Get(std::string& why) {
  static EmulatedUsb* bus = nullptr;
  static std::string refusal;
  static std::once_flag once;
  std::call_once(once, [] {
    if (!PreloadActive()) {
      refusal = "USB device emulation needs libumockdev-preload.so.0 preloaded (Debian package umockdev)";
      return;
    }
    bus = new EmulatedUsb;
    // The test bed must stand before libusb starts, so that libusb reads its
    // sysfs and follows its device events.
    if (!lusb::StartSession(refusal)) {
      bus = nullptr;
      return;
    }
    bus->state_->ownListeners = EventSockets(bus->RootDir());
  });
  why = refusal;
  return bus;
}

void EmulatedUsb::Plug(const UsbDeviceSpec& spec, sim::Controller* controller, bool announced) {
  std::string file = DeviceFile(spec.address);
  {
    std::lock_guard lock(state_->mutex);
    DeviceState& device = state_->devices[spec.address];
    for (Urb& urb : device.done) g_object_unref(urb.urb);
    for (Urb& urb : device.held) g_object_unref(urb.urb);
    device = DeviceState{};
    device.spec = spec;
    device.controller = controller;
    device.present = true;
    for (unsigned number = 0; number < spec.interfaces.size(); ++number) {
      if (!spec.interfaces[number].kernelDriver.empty()) device.boundDrivers[number] = spec.interfaces[number].kernelDriver;
    }
  }
  if (state_->attached.insert(file).second) {
    umockdev_testbed_attach_ioctl(state_->testbed, file.c_str(), state_->handler, nullptr);
  }
  char devnum[8];
  std::snprintf(devnum, sizeof devnum, "%03u", spec.address);
  std::string description = "P: /devices/usb1/1-" + std::to_string(spec.address) + "\nN: bus/usb/001/" + devnum +
                            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=001\nE: DEVNUM=" + devnum +
                            "\nE: DEVNAME=" + file + "\nA: busnum=1\\n\nA: devnum=" + std::to_string(spec.address) +
                            "\\n\nA: bConfigurationValue=1\\n\nA: speed=" + (spec.fullSpeed ? "12" : "480") +
                            "\\n\nA: idVendor=" + Hex4(spec.vendor) +
                            "\\n\nA: idProduct=" + Hex4(spec.product) + "\\n\nA: bcdDevice=" + Hex4(spec.release) +
                            "\\n\nH: descriptors=" + DescriptorsHex(spec) + "\n";
  // Adding a device to the test bed tells the listeners, unless they cannot hear.
  std::optional<EventsUnheard> unheard;
  if (!announced) unheard.emplace(RootDir(), state_->ownListeners);
  umockdev_testbed_add_from_string(state_->testbed, description.c_str(), nullptr);
  // The interfaces as sysfs shows them, with the kernel driver bound to each.
  for (unsigned number = 0; number < spec.interfaces.size(); ++number) {
    const UsbInterfaceSpec& interface = spec.interfaces[number];
    char attributes[96];
    std::snprintf(attributes, sizeof attributes, "A: bInterfaceNumber=%02x\\n\nA: bInterfaceClass=%02x\\n\n", number,
                  interface.interfaceClass);
    std::string entry = "P: " + InterfacePath(spec.address, number).substr(4) +
                        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" + attributes;
    if (!interface.kernelDriver.empty()) entry += "L: driver=../../../../bus/usb/drivers/" + interface.kernelDriver + "\n";
    umockdev_testbed_add_from_string(state_->testbed, entry.c_str(), nullptr);
  }
}

void EmulatedUsb::Unplug(uint8_t address, bool announced) {
  size_t interfaces = 0;
  {
    std::lock_guard lock(state_->mutex);
    auto found = state_->devices.find(address);
    if (found == state_->devices.end() || !found->second.present) return;
    DeviceState& device = found->second;
    device.present = false;
    interfaces = device.spec.interfaces.size();
    // The transfers in flight come back with "no device", as the kernel gives
    // them back when a device leaves.
    for (Urb& urb : device.held) device.done.push_back({urb.urb, -ENODEV, urb.actual});
    device.held.clear();
  }
  std::optional<EventsUnheard> unheard;
  if (!announced) unheard.emplace(RootDir(), state_->ownListeners);
  umockdev_testbed_uevent(state_->testbed, SysPath(address).c_str(), "remove");
  // The interfaces first, so that their entries in the bus's list go too.
  for (size_t number = 0; number < interfaces; ++number) {
    umockdev_testbed_remove_device(state_->testbed, InterfacePath(address, number).c_str());
  }
  umockdev_testbed_remove_device(state_->testbed, SysPath(address).c_str());
}

void EmulatedUsb::UnplugAll() {
  std::vector<uint8_t> addresses;
  {
    std::lock_guard lock(state_->mutex);
    for (auto& [address, device] : state_->devices) {
      if (device.present) addresses.push_back(address);
    }
  }
  for (uint8_t address : addresses) Unplug(address);
}

bool EmulatedUsb::WaitForDevices(size_t count) {
  auto until = Clock::now() + kPatience;
  while (Clock::now() < until) {
    if (lusb::DeviceList().Devices().size() == count) return true;
    // The session's list follows the device events, which a program started
    // meanwhile on the same test bed may have taken; a fresh look counts too, as
    // the program's own discovery looks afresh when its list disagrees.
    if (auto fresh = lusb::FreshContext(); fresh && lusb::DeviceList(fresh).Devices().size() == count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool EmulatedUsb::SwitchedOn(sim::Controller& controller) {
  std::lock_guard lock(state_->mutex);
  return controller.Present(state_->Now());
}

void EmulatedUsb::Hold(uint8_t address, std::optional<SeenTransfer::Kind> kind, uint32_t partBytes) {
  std::lock_guard lock(state_->mutex);
  state_->devices[address].hold = kind;
  state_->devices[address].heldPart = partBytes;
}

void EmulatedUsb::Shorten(uint8_t address, uint32_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->devices[address].shortBulk = bytes;
}

unsigned EmulatedUsb::LastBulkTimeoutMs() { return gLastBulkTimeoutMs.load(); }

void EmulatedUsb::Stall(uint8_t address, uint8_t endpoint) {
  std::lock_guard lock(state_->mutex);
  state_->devices[address].stalled.insert(endpoint);
}

int EmulatedUsb::Opens(uint8_t address) {
  std::lock_guard lock(state_->mutex);
  return state_->devices[address].opens;
}

bool EmulatedUsb::WaitForHeld(uint8_t address) {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, kPatience, [&] { return !state_->devices[address].held.empty(); });
}

std::vector<SeenTransfer> EmulatedUsb::Seen(uint8_t address) {
  std::lock_guard lock(state_->mutex);
  return state_->devices[address].seen;
}

std::vector<std::string> EmulatedUsb::Claims(uint8_t address) {
  std::lock_guard lock(state_->mutex);
  return state_->devices[address].claims;
}

void EmulatedUsb::ClearSeen() {
  std::lock_guard lock(state_->mutex);
  for (auto& [address, device] : state_->devices) {
    device.seen.clear();
    device.claims.clear();
  }
}

std::string EmulatedUsb::DeviceFile(uint8_t address) const {
  char file[32];
  std::snprintf(file, sizeof file, "/dev/bus/usb/001/%03u", address);
  return file;
}

std::string EmulatedUsb::RootDir() const {
  gchar* root = umockdev_testbed_get_root_dir(state_->testbed);
  std::string path = root;
  g_free(root);
  return path;
}

UsbDeviceSpec UpdaterDeviceSpec(uint8_t address, bool printer) {
  UsbDeviceSpec spec{address, 0xFA17, 0x0C3E, 0x0100, {{0x06, {0x81, 0x02}, ""}}};
  if (printer) spec.interfaces.push_back({0x07, {0x03, 0x84}, "usblp"});
  return spec;
}

}  // namespace testing_support
