// The system's own clock, one implementation per system.
#pragma once

#include <cstdint>

namespace platform::system_clock {
// Sleeps; returns early once WakeSleepers has been called, and at once after it.
void Sleep(uint32_t ms);
void WakeSleepers();
uint64_t NowMs();
}  // namespace platform::system_clock
