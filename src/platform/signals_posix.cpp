#include <signal.h>
#include <unistd.h>

#include <utility>

#include "platform/signals.h"

namespace platform {

bool SendSignalToSelf(std::string_view name) {
  static constexpr std::pair<std::string_view, int> kSignals[] = {
      {"INT", SIGINT},   {"TERM", SIGTERM}, {"HUP", SIGHUP},   {"QUIT", SIGQUIT},
      {"TSTP", SIGTSTP}, {"TTIN", SIGTTIN}, {"TTOU", SIGTTOU},
  };
  for (const auto& [known, number] : kSignals) {
    // To the process: whichever thread takes it, as with a signal from outside.
    if (known == name) return ::kill(::getpid(), number) == 0;
  }
  return false;
}

}  // namespace platform
