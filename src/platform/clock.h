// Time for the program's waits: the one-second pauses between tries, the tick
// count of the power-cycle watch. Real time by default; a virtual clock, in which
// every sleep advances time at once, for the tests and the fast simulation.
#pragma once

#include <cstdint>

namespace platform {

// Sleeps the calling thread (real clock) or advances virtual time (virtual clock).
void SleepMs(uint32_t ms);

// Milliseconds on a monotonic clock, wrapping at 2^32 like the Windows tick count.
uint32_t TickCount();

// The same clock without the wrap.
uint64_t MonotonicMs();

// Switch every later sleep and tick to a virtual clock that starts at startMs.
void UseVirtualClock(uint64_t startMs = 0);
void UseRealClock();
bool VirtualClockInUse();

// Virtual clock only: lets time pass without a sleep (a user reading a message).
void AdvanceVirtualClock(uint64_t ms);

}  // namespace platform
