#include "device/sim/bus.h"

#include <algorithm>
#include <cstring>

#include "device/sim/registry.h"
#include "device/usb_wire.h"
#include "platform/clock.h"
#include "platform/signals.h"

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

std::vector<std::unique_ptr<Controller>> DeviceControllerFor(const Scenario& scenario) {
  std::vector<std::unique_ptr<Controller>> controllers;
  controllers.push_back(std::make_unique<Controller>(scenario));
  return controllers;
}

}  // namespace

std::vector<PrinterClass::Interface> Bus::MakeInterfaces() {
  std::vector<PrinterInterface> shown;
  if (scenario_.printerPresent) shown.push_back(DevicePrinterInterface());
  shown.insert(shown.end(), scenario_.printers.begin(), scenario_.printers.end());
  std::vector<PrinterClass::Interface> interfaces;
  for (const PrinterInterface& printer : shown) {
    Controller* controller = nullptr;
    if (printer.behind == PrinterInterface::Behind::TheDevice) controller = controllers_[0].get();
    if (printer.behind == PrinterInterface::Behind::AnotherController) controller = NewController();
    interfaces.push_back({printer, controller});
  }
  return interfaces;
}

// The members are made in their order: the scenario, the device's controller,
// then the printer-class interfaces, which may add controllers of their own.
Bus::Bus(const Scenario& scenario)
    : scenario_(scenario),
      controllers_(DeviceControllerFor(scenario)),
      printers_(MakeInterfaces(), scenario.system) {
  if (scenario.devicePresent) {
    devices_.push_back({scenario.port, kDeviceVendor, kDeviceProduct, false, controllers_[0].get()});
  }
  for (int port : scenario.foreign) devices_.push_back({port, kForeignVendor, kForeignProduct, false, nullptr});
  for (const OtherDevice& other : scenario.others) {
    devices_.push_back({other.port, other.vendor, other.product, other.refusesDescriptor,
                        other.controller ? NewController() : nullptr});
  }
}

Controller* Bus::NewController() {
  controllers_.push_back(std::make_unique<Controller>(scenario_));
  return controllers_.back().get();
}

Bus::Device* Bus::DeviceAt(int port) {
  for (Device& device : devices_) {
    if (device.port == port) return &device;
  }
  return nullptr;
}

Bus::OpenPipe* Bus::Find(driver::Handle handle, uint64_t now) {
  for (OpenPipe& pipe : open_) {
    if (pipe.handle != handle) continue;
    // A device that has left the bus fails every transfer on the handles opened
    // before, even after it has come back.
    if (pipe.controller && (!pipe.controller->Present(now) || pipe.controller->Attachments() != pipe.attachment)) {
      return nullptr;
    }
    return &pipe;
  }
  return nullptr;
}

driver::Handle Bus::Grant(Device* device, int printer, Controller* controller, int pipe) {
  driver::Handle handle = nextHandle_;
  nextHandle_ += 4;
  open_.push_back({handle, device, printer, controller, pipe, controller ? controller->Attachments() : 0});
  return handle;
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
    if (device && pipe < pipes && (!device->controller || device->controller->Present(now))) {
      handle = Grant(device, -1, device->controller, pipe);
    }
  } else if (int printer = printers_.InterfaceOf(path); printer >= 0) {
    const PrinterClass::Interface& shown = printers_.At(printer);
    bool held = std::any_of(open_.begin(), open_.end(), [&](const OpenPipe& p) { return p.printer == printer; });
    if (PrinterClass::Present(shown, now) && !(shown.shown.secondOpenFails && held)) {
      handle = Grant(nullptr, printer, shown.controller, 0);
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
  OpenPipe* pipe = Find(handle, now);
  bool ok = pipe && (pipe->device ? StillImageControl(*pipe, code, in, inSize, out, outSize, returned, now)
                                  : PrinterControl(*pipe, code, in, inSize, out, outSize, returned, now));
  if (keepLog_) {
    auto bytes = static_cast<const uint8_t*>(in);
    Log({Call::Control, {}, handle, code, std::vector<uint8_t>(bytes, bytes + (in ? inSize : 0)), outSize,
         *returned, ok});
  }
  return ok;
}

bool Bus::StillImageControl(OpenPipe& pipe, uint32_t code, const void* in, uint32_t inSize, void* out,
                            uint32_t outSize, uint32_t* returned, uint64_t now) {
  if (code == IOCTL_GET_DEVICE_DESCRIPTOR && outSize >= sizeof(StillImageDescriptor) &&
      !pipe.device->refusesDescriptor) {
    StillImageDescriptor descriptor{pipe.device->vendor, pipe.device->product, 0x0100, 0x0409};
    std::memcpy(out, &descriptor, sizeof descriptor);
    *returned = sizeof descriptor;
    return true;
  }
  if (code != IOCTL_SEND_USB_REQUEST || inSize != sizeof(IoBlockEx) || !pipe.controller) return false;
  IoBlockEx block;
  std::memcpy(&block, in, sizeof block);
  // The driver carries out exactly one kind of transfer for this program: a
  // vendor request from the device, into the buffer the record names.
  if (block.bmRequestType != kVendorInInterface || block.fTransferDirectionIn != 1 || block.uLength != outSize ||
      block.pbyData != out || block.uOffset != 0 || block.uIndex != 0) {
    return false;
  }
  return pipe.controller->Request(block.bRequest, static_cast<uint8_t*>(out), static_cast<uint16_t>(outSize),
                                  returned, now);
}

bool Bus::PrinterControl(OpenPipe& pipe, uint32_t code, const void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* returned, uint64_t now) {
  if (code != IOCTL_USBPRINT_VENDOR_GET_COMMAND || inSize != kPrinterCommandSize || !in || !pipe.controller) {
    return false;
  }
  // The command: the request, 0, then wValue. The program's requests all carry
  // wValue 0, and the printer driver sends them to the interface with wIndex 0.
  uint8_t command[kPrinterCommandSize];
  std::memcpy(command, in, sizeof command);
  if (command[1] != 0 || command[2] != 0 || command[3] != 0) return false;
  return pipe.controller->Request(command[0], static_cast<uint8_t*>(out), static_cast<uint16_t>(outSize), returned,
                                  now);
}

bool Bus::Write(driver::Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  std::lock_guard lock(mutex_);
  uint64_t now = platform::MonotonicMs();
  *written = 0;
  OpenPipe* pipe = Find(handle, now);
  // The still-image bulk-out pipes and the printer-class interface reach the
  // controller; another maker's printer takes the bytes and does nothing.
  bool toController = pipe && pipe->controller && (pipe->printer >= 0 || pipe->pipe == 0 || pipe->pipe == 2);
  if (toController) {
    ++writes_;
    if (writes_ != scenario_.failWrite) {
      uint32_t taken = scenario_.writeLimit ? std::min(count, scenario_.writeLimit) : count;
      pipe->controller->Receive(static_cast<const uint8_t*>(bytes), taken, now);
      *written = taken + scenario_.writeOverstated;
    }
  } else if (pipe && pipe->printer >= 0) {
    *written = count;
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

driver::DeviceSet Bus::OpenPrinterSet() {
  std::lock_guard lock(mutex_);
  return printers_.OpenSet(platform::MonotonicMs());
}

bool Bus::EnumPrinterDevice(driver::DeviceSet set, uint32_t index) {
  std::lock_guard lock(mutex_);
  return printers_.EnumDevice(set, index);
}

bool Bus::ReadHardwareIds(driver::DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                          uint32_t* error) {
  std::lock_guard lock(mutex_);
  return printers_.ReadHardwareIds(set, index, buffer, size, required, error);
}

bool Bus::EnumPrinterInterface(driver::DeviceSet set, uint32_t index) {
  std::lock_guard lock(mutex_);
  return printers_.EnumInterface(set, index);
}

bool Bus::ReadInterfaceDetail(driver::DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size,
                              uint32_t* required) {
  std::lock_guard lock(mutex_);
  return printers_.ReadDetail(set, index, detail, size, required);
}

void Bus::ClosePrinterSet(driver::DeviceSet set) {
  std::lock_guard lock(mutex_);
  printers_.CloseSet(set);
}

bool Bus::CallFails() {
  std::lock_guard lock(mutex_);
  ++driverCalls_;
  return driverCalls_ == scenario_.failCall || (scenario_.leaveCall > 0 && driverCalls_ >= scenario_.leaveCall);
}

void Bus::CallDone() {
  int call = 0;
  {
    std::lock_guard lock(mutex_);
    call = driverCalls_;
  }
  if (scenario_.signalCall > 0 && call == scenario_.signalCall) platform::SendSignalToSelf(scenario_.signalName);
}

int Bus::DriverCalls() const {
  std::lock_guard lock(mutex_);
  return driverCalls_;
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
  return device ? device->controller : nullptr;
}

Controller* Bus::DeviceController() {
  std::lock_guard lock(mutex_);
  return controllers_[0].get();
}

PrinterClass::Counts Bus::PrinterSets() const {
  std::lock_guard lock(mutex_);
  return printers_.Counted();
}

namespace {
std::unique_ptr<Bus> gBus;
}

void Reset(const Scenario& scenario) {
  gBus = std::make_unique<Bus>(scenario);
  ResetRegistry(scenario);
}

Bus& CurrentBus() {
  if (!gBus) gBus = std::make_unique<Bus>(Scenario{});
  return *gBus;
}

}  // namespace sim
