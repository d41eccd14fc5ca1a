// A window of the program's user interface, as the window host knows it.
#pragma once

#include <cstdint>

using Window = std::intptr_t;
inline constexpr Window kNoWindow = 0;
