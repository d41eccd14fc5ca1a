#include <cstring>

#include "device/link.h"
#include "platform/words.h"

namespace {
constexpr int kListSlots = 10;
constexpr int kListStride = 64;
constexpr char kCompiledList[] = "USB\\VID_FA17&PID_0C3E&MI_00";
static_assert(sizeof kCompiledList <= kDeviceIdSize, "the entry point copies the whole list");
}  // namespace

const char* const kHardwareIdList = kCompiledList;

int ProbeHardwareIdList(DeviceLink* link) { return ProbeHardwareIds(link, kHardwareIdList); }

std::string ConnectionAdvice() { return driver::TakeAdvice(); }

int ProbeHardwareIds(DeviceLink* link, const char* idList) {
  driver::TakeAdvice();  // what earlier opens met is not this probe's cause
  char entries[kListSlots][kListStride];
  int count = SplitWords(idList, ",", &entries[0][0], kListStride, kListSlots);
  for (int i = 0; i < count; ++i) {
    // An entry of 64 characters or more is stored empty: it is no hardware ID
    // that can be opened, and it must not turn into a registry search.
    if (entries[i][0] == '\0') continue;
    std::memcpy(link->deviceId, entries[i], std::strlen(entries[i]) + 1);
    if (OpenDevice(link)) return 1;
  }
  return 0;
}
