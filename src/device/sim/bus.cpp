#include "device/sim/bus.h"

#include <algorithm>
#include <cstring>

#include "device/usb_wire.h"
#include "platform/clock.h"

namespace sim {
namespace {

constexpr std::string_view kPortPrefix = "\\\\.\\Usbscan";
constexpr int kControllerPipes = 4;  // 0 default (control and bulk out), 1 bulk in, 2 bulk out, 3 interrupt
constexpr int kScannerPipes = 3;

// Reads "\\.\Usbscan<port>\<pipe>"; false for any other name.
bool ParsePipeName(std::string_view name, int& port, int& pipe) {
  if (name.substr(0, kPortPrefix.size()) != kPortPrefix) return false;
  name.remove_prefix(kPortPrefix.size());
  auto number = [&](int& out) {
    size_t digits = 0;
    out = 0;
    while (digits < name.size() && digits < 4 && name[digits] >= '0' && name[digits] <= '9') {
      out = out * 10 + (name[digits] - '0');
      ++digits;
    }
    name.remove_prefix(digits);
    return digits > 0;
  };
  if (!number(port) || name.empty() || name[0] != '\\') return false;
  name.remove_prefix(1);
  return number(pipe) && name.empty();
}

}  // namespace

Bus::Bus(const Scenario& scenario) : scenario_(scenario) {
  if (scenario.devicePresent) {
    devices_.push_back({scenario.port, kDeviceVendor, kDeviceProduct, false,
                        std::make_unique<Controller>(scenario)});
  }
  for (int port : scenario.foreign) devices_.push_back({port, kForeignVendor, kForeignProduct, false, nullptr});
  for (const OtherDevice& other : scenario.others) {
    devices_.push_back({other.port, other.vendor, other.product, other.refusesDescriptor,
                        other.controller ? std::make_unique<Controller>(scenario) : nullptr});
  }
}

Bus::Device* Bus::DeviceAt(int port) {
  for (Device& device : devices_) {
    if (device.port == port) return &device;
  }
  return nullptr;
}

bool Bus::OnBus(Device& device, uint64_t now) {
  return !device.controller || device.controller->Present(now);
}

Bus::OpenPipe* Bus::Find(driver::Handle handle, uint64_t now) {
  for (OpenPipe& pipe : open_) {
    if (pipe.handle != handle) continue;
    // A device that has left the bus fails every transfer on the handles opened
    // before, even after it has come back.
    if (!OnBus(*pipe.device, now)) return nullptr;
    if (pipe.device->controller && pipe.device->controller->Attachments() != pipe.attachment) return nullptr;
    return &pipe;
  }
  return nullptr;
}

void Bus::Log(Call call) {
  if (keepLog_) calls_.push_back(std::move(call));
}

driver::Handle Bus::Open(const char* path, uint32_t attributes) {
  std::lock_guard lock(mutex_);
  uint64_t now = platform::MonotonicMs();
  int port = 0, pipe = 0;
  driver::Handle handle = driver::kInvalidHandle;
  if (ParsePipeName(path, port, pipe)) {
    Device* device = DeviceAt(port);
    int pipes = device && device->controller ? kControllerPipes : kScannerPipes;
    if (device && pipe < pipes && OnBus(*device, now)) {
      handle = nextHandle_;
      nextHandle_ += 4;
      open_.push_back({handle, device, pipe, device->controller ? device->controller->Attachments() : 0});
    }
  }
  Log({Call::Open, path, handle, attributes, {}, 0, 0, handle != driver::kInvalidHandle});
  return handle;
}

bool Bus::Control(driver::Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                  uint32_t outSize, uint32_t* returned) {
  std::lock_guard lock(mutex_);
  uint64_t now = platform::MonotonicMs();
  *returned = 0;
  bool ok = false;
  OpenPipe* pipe = Find(handle, now);
  if (pipe && code == IOCTL_GET_DEVICE_DESCRIPTOR && outSize >= sizeof(StillImageDescriptor) &&
      !pipe->device->refusesDescriptor) {
    StillImageDescriptor descriptor{pipe->device->vendor, pipe->device->product, 0x0100, 0x0409};
    std::memcpy(out, &descriptor, sizeof descriptor);
    *returned = sizeof descriptor;
    ok = true;
  } else if (pipe && code == IOCTL_SEND_USB_REQUEST && inSize == sizeof(IoBlockEx) && pipe->device->controller) {
    IoBlockEx block;
    std::memcpy(&block, in, sizeof block);
    // The driver carries out exactly one kind of transfer for this program: a
    // vendor request from the device, into the buffer the record names.
    if (block.bmRequestType == kVendorInInterface && block.fTransferDirectionIn == 1 &&
        block.uLength == outSize && block.pbyData == out && block.uOffset == 0 && block.uIndex == 0) {
      ok = pipe->device->controller->Request(block.bRequest, static_cast<uint8_t*>(out),
                                             static_cast<uint16_t>(outSize), returned, now);
    }
  }
  if (keepLog_) {
    auto bytes = static_cast<const uint8_t*>(in);
    Log({Call::Control, {}, handle, code, std::vector<uint8_t>(bytes, bytes + (in ? inSize : 0)), outSize,
         *returned, ok});
  }
  return ok;
}

bool Bus::Write(driver::Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  std::lock_guard lock(mutex_);
  uint64_t now = platform::MonotonicMs();
  *written = 0;
  OpenPipe* pipe = Find(handle, now);
  bool bulkOut = pipe && pipe->device->controller && (pipe->pipe == 0 || pipe->pipe == 2);
  if (bulkOut) {
    ++writes_;
    if (writes_ != scenario_.failWrite) {
      uint32_t taken = scenario_.writeLimit ? std::min(count, scenario_.writeLimit) : count;
      pipe->device->controller->Receive(static_cast<const uint8_t*>(bytes), taken, now);
      *written = taken;
    }
  }
  Log({Call::Write, {}, handle, 0, {}, count, *written, *written > 0});
  return *written > 0;
}

void Bus::Close(driver::Handle handle) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(open_.begin(), open_.end(), [&](const OpenPipe& p) { return p.handle == handle; });
  bool ok = it != open_.end();
  if (ok) open_.erase(it);
  else ++badCloses_;
  Log({Call::Close, {}, handle, 0, {}, 0, 0, ok});
}

std::vector<Call> Bus::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void Bus::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

void Bus::KeepCallLog(bool keep) {
  std::lock_guard lock(mutex_);
  keepLog_ = keep;
}

int Bus::OpenHandles() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(open_.size());
}

int Bus::BadCloses() const {
  std::lock_guard lock(mutex_);
  return badCloses_;
}

int Bus::WriteCount() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

Controller* Bus::ControllerAt(int port) {
  std::lock_guard lock(mutex_);
  Device* device = DeviceAt(port);
  return device ? device->controller.get() : nullptr;
}

namespace {
std::unique_ptr<Bus> gBus;
}

void Reset(const Scenario& scenario) { gBus = std::make_unique<Bus>(scenario); }

Bus& CurrentBus() {
  if (!gBus) gBus = std::make_unique<Bus>(Scenario{});
  return *gBus;
}

}  // namespace sim
