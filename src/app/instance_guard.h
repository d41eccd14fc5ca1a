// The mark that a copy of the program is running ("TIS-PROGRAM").
#pragma once

#include <cstdint>

// A held mark; kNoInstanceMutex when none is held.
using InstanceMutex = std::intptr_t;
inline constexpr InstanceMutex kNoInstanceMutex = 0;

// Takes the mark. Gives kNoInstanceMutex when another copy holds it, or (on
// Windows) when it cannot be made at all; the program then ends at once. On
// POSIX a mark that cannot be made is said on standard error, and what is given
// lets the program run.
InstanceMutex TakeInstanceMutex();

// Gives the mark up. The system also drops it when the process ends in any way.
void ReleaseInstanceMutex(InstanceMutex mutex);
