#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "device/driver.h"
#include "device/usb_wire.h"
#include "platform/clock.h"
#include "resources/language.h"

namespace fuzz {

std::string Input::Bytes() {
  size_t length = std::min<size_t>(Byte(), size_ - std::min(at_, size_));
  std::string bytes(reinterpret_cast<const char*>(data_ + at_), length);
  at_ += length;
  return bytes;
}

bool Input::Line(std::string& line) {
  if (Empty()) return false;
  const uint8_t* start = data_ + at_;
  const void* newline = std::memchr(start, '\n', size_ - at_);
  size_t length = newline ? static_cast<size_t>(static_cast<const uint8_t*>(newline) - start) : size_ - at_;
  line.assign(reinterpret_cast<const char*>(start), length);
  at_ += length + (newline ? 1 : 0);
  return true;
}

const std::filesystem::path& ScratchDirectory() {
  namespace fs = std::filesystem;
  static const fs::path directory = [] {
    std::error_code error;
    fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "updater-fuzz-XXXXXX").string();
    Check(mkdtemp(pattern.data()) != nullptr, "a scratch directory");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ScratchDirectory(), ignored);
    });
    return fs::path(pattern);
  }();
  return directory;
}

std::vector<std::string> BlankSeparatedWords(const std::string& text) {
  std::vector<std::string> words;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

bool SafeName(const std::string& name, const char* extra) {
  if (name.empty() || name.size() > 32 || name == "." || name == "..") return false;
  for (char c : name) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter && (c == '\0' || !std::strchr(extra, c))) return false;
  }
  return true;
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

namespace {

struct Driver {
  Input input{nullptr, 0};
  std::set<intptr_t> handles, sets, keys;
  intptr_t next = 1;
  std::vector<Request> requests;
  std::vector<uint8_t> lastIds;

  intptr_t Open(std::set<intptr_t>& open) {
    open.insert(next);
    return next++;
  }
  void Close(std::set<intptr_t>& open, intptr_t id, const char* what) { Check(open.erase(id) == 1, what); }
  // Up to size bytes from the input into buffer; returns how many.
  uint32_t Fill(void* buffer, uint32_t size) {
    std::string bytes = input.Bytes();
    auto length = static_cast<uint32_t>(std::min<size_t>(bytes.size(), size));
    if (length) std::memcpy(buffer, bytes.data(), length);
    return length;
  }
};

Driver& D() {
  static Driver driver;
  return driver;
}

}  // namespace

void StartDriver(const uint8_t* data, size_t size) {
  Driver& d = D();
  d.input = Input(data, size);
  d.handles.clear();
  d.sets.clear();
  d.keys.clear();
  d.requests.clear();
  d.lastIds.clear();
}

Input& DriverInput() { return D().input; }
intptr_t GrantHandle() { return D().Open(D().handles); }
int OpenHandles() { return static_cast<int>(D().handles.size()); }
int OpenSets() { return static_cast<int>(D().sets.size()); }
int OpenKeys() { return static_cast<int>(D().keys.size()); }
const std::vector<Request>& Requests() { return D().requests; }
const std::vector<uint8_t>& LastHardwareIds() { return D().lastIds; }

int Host::AskBox(Window, const std::string&, uint32_t) {
  ++boxes;
  return kAnswerOk;
}

Host& StartHost() {
  static Host* host = [] {
    auto* made = new Host;
    SetHost(made);
    platform::UseVirtualClock();
    res::SetCurrentLanguage(res::kEnglish);
    return made;
  }();
  return *host;
}

}  // namespace fuzz

namespace driver {

using fuzz::Check;
using fuzz::D;

bool Prepare(std::string&) { return true; }
std::string TakeAdvice() { return {}; }

Handle OpenDevicePath(const char* path, uint32_t) {
  Check(std::strlen(path) < 4096, "a device path ends");
  return D().input.Yes() ? D().Open(D().handles) : kInvalidHandle;
}

bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned) {
  Check(D().handles.count(handle) == 1, "a request goes to an open handle");
  Check(inSize == 0 || in != nullptr, "a request's input is there");
  *returned = 0;
  bool vendor = code == IOCTL_SEND_USB_REQUEST || code == IOCTL_USBPRINT_VENDOR_GET_COMMAND;
  uint8_t request = 0;
  if (code == IOCTL_SEND_USB_REQUEST) {
    Check(inSize == sizeof(IoBlockEx), "a still-image request carries its transfer record");
    request = static_cast<const IoBlockEx*>(in)->bRequest;
  } else if (code == IOCTL_USBPRINT_VENDOR_GET_COMMAND) {
    Check(inSize >= 1, "a printer-class request carries its command");
    request = static_cast<const uint8_t*>(in)[0];
  }
  bool answered = D().input.Yes();
  if (answered) *returned = D().Fill(out, outSize);
  if (vendor) {
    auto* bytes = static_cast<const uint8_t*>(out);
    D().requests.push_back({request, answered, answered ? std::vector<uint8_t>(bytes, bytes + *returned)
                                                        : std::vector<uint8_t>{}});
  }
  return answered;
}

bool WriteBytes(Handle handle, const void*, uint32_t count, uint32_t* written) {
  Check(D().handles.count(handle) == 1, "a write goes to an open handle");
  *written = D().input.Yes() ? std::min(count, D().input.Number16()) : 0;
  return *written > 0;
}

void CloseDeviceHandle(Handle handle) { D().Close(D().handles, handle, "a handle is closed once, after its open"); }

DeviceSet OpenPrinterClassDevices() { return D().input.Yes() ? D().Open(D().sets) : kNoDeviceSet; }

bool EnumPrinterDevice(DeviceSet set, uint32_t) {
  Check(D().sets.count(set) == 1, "the device set is open");
  return D().input.Yes();
}

bool ReadHardwareIds(DeviceSet set, uint32_t, uint8_t* buffer, uint32_t size, uint32_t* required, uint32_t* error) {
  Check(D().sets.count(set) == 1, "the device set is open");
  Check(size == 0 || buffer != nullptr, "a buffer of that size is there");
  uint8_t mode = D().input.Byte();
  static constexpr uint32_t kErrors[] = {kErrorInsufficientBuffer, kErrorInvalidData, kErrorInvalidHandle,
                                         kErrorInsufficientBuffer};
  *required = D().input.Number16();
  *error = kErrors[(mode >> 1) & 3];
  if (size) D().Fill(buffer, size);
  D().lastIds.assign(buffer, buffer + size);  // the list as the program finds it
  return (mode & 1) != 0;
}

bool EnumPrinterInterface(DeviceSet set, uint32_t) {
  Check(D().sets.count(set) == 1, "the device set is open");
  return D().input.Yes();
}

bool ReadInterfaceDetail(DeviceSet set, uint32_t, uint8_t* detail, uint32_t size, uint32_t* required) {
  Check(D().sets.count(set) == 1, "the device set is open");
  if (!detail) {
    *required = D().input.Number16();
    return false;
  }
  D().Fill(detail, size);
  return D().input.Yes();
}

void CloseDeviceSet(DeviceSet set) { D().Close(D().sets, set, "a device set is closed once, after its open"); }

bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor) {
  if (!D().input.Yes()) return false;
  *platform = D().input.Byte() % 3;
  *major = D().input.Byte();
  *minor = D().input.Byte();
  return true;
}

RegistryKey OpenRegistryKey(const char* path) {
  Check(std::strlen(path) < 4096, "a registry path ends");
  return D().input.Yes() ? D().Open(D().keys) : kNoRegistryKey;
}

bool EnumRegistryKey(RegistryKey key, uint32_t, char* name, uint32_t size) {
  Check(D().keys.count(key) == 1, "the registry key is open");
  if (!D().input.Yes()) return false;
  uint32_t length = D().Fill(name, size);
  if (length < size) name[length] = '\0';  // a name filling the whole buffer has no terminator
  return true;
}

bool QueryRegistryValue(RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size) {
  Check(D().keys.count(key) == 1, "the registry key is open");
  Check(std::strlen(name) < 256, "a value name ends");
  if (!D().input.Yes()) return false;
  std::string bytes = D().input.Bytes();
  if (bytes.size() > *size) {
    *size = static_cast<uint32_t>(bytes.size());
    return false;
  }
  std::memcpy(buffer, bytes.data(), bytes.size());
  *size = static_cast<uint32_t>(bytes.size());
  return true;
}

void CloseRegistryKey(RegistryKey key) { D().Close(D().keys, key, "a registry key is closed once, after its open"); }

}  // namespace driver
