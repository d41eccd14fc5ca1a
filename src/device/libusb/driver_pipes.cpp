// The driver seam's open paths over libusb: the still-image driver's ports and
// pipes and the printer-class interfaces, their control requests and bulk writes.
#include <algorithm>
#include <map>
#include <mutex>
#include <span>
#include <string_view>

#include "device/driver.h"
#include "device/libusb/advice.h"
#include "device/libusb/names.h"
#include "device/libusb/ports.h"
#include "device/libusb/requests.h"
#include "device/libusb/session.h"
#include "device/usb_wire.h"

namespace driver {
namespace {

constexpr unsigned kBulkTimeoutMs = 30000;
// One bulk transfer takes at most this much (a multiple of every packet size);
// the link writes the rest in further calls.
constexpr uint32_t kLargestWrite = 1u << 20;

std::mutex gPipesMutex;
std::map<Handle, lusb::Pipe> gPipes;
Handle gNextHandle = 1;

// The pipe behind handle with its interface claimed, for one transfer; nothing
// when the handle is not open or the interface cannot be claimed.
std::optional<lusb::Pipe> ClaimedPipe(Handle handle) {
  std::lock_guard lock(gPipesMutex);
  auto found = gPipes.find(handle);
  if (found == gPipes.end() || !lusb::Attach(found->second)) return std::nullopt;
  return found->second;
}

// An open pipe of the still-image port, from which its further pipes are resolved.
std::optional<lusb::Pipe> PipeOfPort(int port) {
  std::lock_guard lock(gPipesMutex);
  for (auto it = gPipes.rbegin(); it != gPipes.rend(); ++it) {
    if (it->second.kind == lusb::Pipe::Kind::StillImage && it->second.port == port) return it->second;
  }
  return std::nullopt;
}

bool RunControl(const lusb::Pipe& pipe, const lusb::ControlSetup& setup, void* data, uint32_t* returned) {
  int result = libusb_control_transfer(pipe.opened->Handle(), setup.requestType, setup.request, setup.value,
                                       setup.index, static_cast<unsigned char*>(data), setup.length,
                                       lusb::ControlTimeoutMs(setup.request));
  if (result < 0) return false;
  *returned = static_cast<uint32_t>(result);
  return true;
}

bool StillImageControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                       uint32_t* returned, const StillImageDescriptor& descriptor) {
  if (code == IOCTL_GET_DEVICE_DESCRIPTOR) {
    if (out == nullptr || outSize < sizeof descriptor) return false;
    std::copy_n(reinterpret_cast<const uint8_t*>(&descriptor), sizeof descriptor, static_cast<uint8_t*>(out));
    *returned = sizeof descriptor;
    return true;
  }
  if (code != IOCTL_SEND_USB_REQUEST || in == nullptr) return false;
  auto setup = lusb::DecodeIoBlock(std::span(static_cast<const uint8_t*>(in), inSize), out ? outSize : 0);
  if (!setup) return false;
  auto pipe = ClaimedPipe(handle);
  return pipe && RunControl(*pipe, *setup, out, returned);
}

bool PrinterControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                    uint32_t* returned, uint8_t interfaceNumber) {
  if (code != IOCTL_USBPRINT_VENDOR_GET_COMMAND || in == nullptr) return false;
  auto setup = lusb::DecodePrinterCommand(std::span(static_cast<const uint8_t*>(in), inSize), interfaceNumber,
                                          out ? outSize : 0);
  if (!setup) return false;
  auto pipe = ClaimedPipe(handle);
  return pipe && RunControl(*pipe, *setup, out, returned);
}

}  // namespace

bool Prepare(std::string& refusal) { return lusb::StartSession(refusal); }

std::string TakeAdvice() { return lusb::TakeNotedAdvice(); }

Handle OpenDevicePath(const char* path, uint32_t) {
  if (path == nullptr || lusb::Context() == nullptr) return kInvalidHandle;
  std::string_view name(path);
  std::optional<lusb::Pipe> pipe;
  if (auto stillImage = lusb::ParseStillImagePath(name)) {
    std::optional<lusb::Pipe> portPipe = stillImage->pipe != 0 ? PipeOfPort(stillImage->port) : std::nullopt;
    pipe = lusb::OpenStillImagePipe(*stillImage, portPipe ? &*portPipe : nullptr);
  } else if (auto printer = lusb::ParseInterfacePath(name)) {
    pipe = lusb::OpenPrinterPipe(*printer);
  }
  if (!pipe) return kInvalidHandle;
  std::lock_guard lock(gPipesMutex);
  Handle handle = gNextHandle++;
  gPipes.emplace(handle, std::move(*pipe));
  return handle;
}

bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned) {
  *returned = 0;
  std::optional<lusb::Pipe> pipe;
  {
    std::lock_guard lock(gPipesMutex);
    auto found = gPipes.find(handle);
    if (found == gPipes.end()) return false;
    pipe = found->second;
  }
  if (pipe->kind == lusb::Pipe::Kind::StillImage) {
    return StillImageControl(handle, code, in, inSize, out, outSize, returned, pipe->descriptor);
  }
  return PrinterControl(handle, code, in, inSize, out, outSize, returned, pipe->interfaceNumber);
}

bool WriteBytes(Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  *written = 0;
  auto pipe = ClaimedPipe(handle);
  if (!pipe || pipe->writeEndpoint == 0 || bytes == nullptr) return false;
  int transferred = 0;
  uint32_t asked = std::min(count, kLargestWrite);
  int result = libusb_bulk_transfer(pipe->opened->Handle(), pipe->writeEndpoint,
                                    static_cast<unsigned char*>(const_cast<void*>(bytes)), static_cast<int>(asked),
                                    &transferred, kBulkTimeoutMs);
  if (result == LIBUSB_ERROR_PIPE) {
    // Cleared at once, so that trying again needs neither a new open nor a power
    // cycle; a device that refuses the clearing now has it again at the next open.
    lusb::NoteStalled(pipe->device.get(), pipe->writeEndpoint);
    lusb::ClearStall(*pipe->opened, pipe->writeEndpoint);
  }
  // Only a transfer that went whole counts. One cut short (by the timeout, a
  // stall, the device going) means the device stopped taking the image part-way
  // and its state is unknown: the write fails, and nothing of it counts as sent,
  // so the update stops rather than streaming the rest after the gap.
  if (result != LIBUSB_SUCCESS || transferred < 0 || static_cast<uint32_t>(transferred) != asked) return false;
  *written = asked;
  return true;
}

void CloseDeviceHandle(Handle handle) {
  lusb::Pipe closing;
  {
    std::lock_guard lock(gPipesMutex);
    auto found = gPipes.find(handle);
    if (found == gPipes.end()) return;
    closing = std::move(found->second);
    gPipes.erase(found);
  }
  // The claim and the device handle go when their last holder does, outside the lock.
}

}  // namespace driver
