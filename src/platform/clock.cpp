#include "platform/clock.h"

#include <atomic>

#include "platform/clock_internal.h"
#include "platform/quitting.h"

namespace platform {
namespace {
std::atomic<bool> gVirtual{false};
std::atomic<uint64_t> gVirtualNow{0};
std::atomic<bool> gQuitting{false};
}  // namespace

void SleepMs(uint32_t ms) {
  if (gQuitting.load()) return;
  if (gVirtual.load()) {
    gVirtualNow.fetch_add(ms);
    return;
  }
  system_clock::Sleep(ms);
}

uint64_t MonotonicMs() {
  return gVirtual.load() ? gVirtualNow.load() : system_clock::NowMs();
}

uint32_t TickCount() { return static_cast<uint32_t>(MonotonicMs()); }

void UseVirtualClock(uint64_t startMs) {
  gVirtualNow.store(startMs);
  gVirtual.store(true);
}

void UseRealClock() { gVirtual.store(false); }

bool VirtualClockInUse() { return gVirtual.load(); }

void StartQuitting() {
  gQuitting.store(true);
  system_clock::WakeSleepers();
}

bool Quitting() { return gQuitting.load(); }

void AdvanceVirtualClock(uint64_t ms) { gVirtualNow.fetch_add(ms); }

}  // namespace platform
