// The system's own clock, one implementation per system.
#pragma once

#include <cstdint>

namespace platform::system_clock {
void Sleep(uint32_t ms);
uint64_t NowMs();
}  // namespace platform::system_clock
