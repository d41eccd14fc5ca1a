#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/clock_internal.h"

namespace platform::system_clock {
namespace {
std::mutex gSleepMutex;
std::condition_variable gSleepWake;
bool gWoken = false;
}  // namespace

void Sleep(uint32_t ms) {
  std::unique_lock lock(gSleepMutex);
  gSleepWake.wait_for(lock, std::chrono::milliseconds(ms), [] { return gWoken; });
}

void WakeSleepers() {
  {
    std::lock_guard lock(gSleepMutex);
    gWoken = true;
  }
  gSleepWake.notify_all();
}

uint64_t NowMs() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace platform::system_clock
