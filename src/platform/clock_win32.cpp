#include "platform/clock_internal.h"
#include "platform/win.h"

namespace platform::system_clock {

void Sleep(uint32_t ms) { ::Sleep(ms); }

// Nothing asks the Windows program to quit through the clock: a session that
// ends takes the process with it.
void WakeSleepers() {}

uint64_t NowMs() {
  // The performance counter does not wrap, unlike GetTickCount; GetTickCount64 is
  // missing from the older systems the program still runs on.
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  auto ticks = static_cast<uint64_t>(counter.QuadPart);
  auto perSecond = static_cast<uint64_t>(frequency.QuadPart);
  return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

}  // namespace platform::system_clock
