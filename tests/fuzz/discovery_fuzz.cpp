// The three discoveries over a driver whose every answer comes from the input:
// the still-image ports and their descriptors; the printer-class device set,
// its hardware-ID lists and interface details; the registry's subkey names and
// service values. Whatever the answers, what is found holds the sought ID and
// everything opened is closed again.
#include <algorithm>
#include <cstring>
#include <string>

#include "device/link.h"
#include "fuzz_support.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Whether the last hardware-ID list read holds id as a whole entry, before its
// first empty entry.
bool LastListHolds(const std::string& id) {
  const std::vector<uint8_t>& ids = fuzz::LastHardwareIds();
  std::string list(ids.begin(), ids.end());
  list += '\0';
  for (size_t at = 0; at < list.size() && list[at] != '\0';) {
    size_t end = list.find('\0', at);
    if (Upper(list.substr(at, end - at)) == Upper(id)) return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartDriver(data, size);
  fuzz::Input& input = fuzz::DriverInput();
  uint8_t flags = input.Byte();

  DeviceLink link{};
  link.transport = flags & 1;
  link.dataPipe = ((flags >> 1) & 3) - 1;
  link.secondPipe = (flags >> 3) & 1 ? 1 : -1;
  bool fromRegistry = (flags >> 4) & 1;
  if (!fromRegistry) {
    // The ID may fill the whole field, without a terminator.
    std::string id = input.Bytes();
    std::memcpy(link.deviceId, id.data(), std::min(id.size(), sizeof link.deviceId));
  }
  controlHandle = dataHandle = secondPipeHandle = printerHandle = printerSecondHandle = driver::kInvalidHandle;

  int opened = OpenDevice(&link);
  fuzz::Check(opened == 0 || opened == 1, "found or not");
  fuzz::Check(fuzz::OpenSets() == 0 && fuzz::OpenKeys() == 0, "no device set or registry key stays open");
  if (opened && link.transport) {
    fuzz::Check(controlHandle != driver::kInvalidHandle, "a port found is open");
  } else if (opened) {
    fuzz::Check(printerHandle != driver::kInvalidHandle && printerSecondHandle != driver::kInvalidHandle,
                "an interface found is open twice");
    fuzz::Check(DeviceIdLength(&link) > 0 && LastListHolds(link.deviceId), "the interface found lists the sought ID");
  } else {
    fuzz::Check(fuzz::OpenHandles() == 0, "nothing stays open when nothing is found");
  }
  CloseDevice(&link);
  fuzz::Check(fuzz::OpenHandles() == 0, "every handle is closed");
  return 0;
}
