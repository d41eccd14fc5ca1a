#include <csignal>

#include "platform/signals.h"

namespace platform {

// Windows knows only the two signals of the C library among these.
bool SendSignalToSelf(std::string_view name) {
  if (name == "INT") return std::raise(SIGINT) == 0;
  if (name == "TERM") return std::raise(SIGTERM) == 0;
  return false;
}

}  // namespace platform
