// Signals the program sends itself, as a user or the system would send them:
// the simulated device raises one at a call its scenario names.
#pragma once

#include <string_view>

namespace platform {

// Sends the signal of that name, without its "SIG" ("INT", "TERM", "HUP",
// "QUIT", "TSTP", "TTIN", "TTOU"), to the whole process, not to the calling
// thread alone. False when the system has no such signal.
bool SendSignalToSelf(std::string_view name);

}  // namespace platform
