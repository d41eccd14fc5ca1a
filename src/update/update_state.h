// The outcome of the run and the two checks that the command-line options relax.
#pragma once

#include <cstdint>

struct UpdateState {
  int32_t resultCode;          // 0 or -1, returned as the process exit code
  int32_t versionCheck;        // 1: an update must be newer than the device's firmware
  int32_t compatibilityCheck;  // 1: the device type must suit the update
};

// The one record of the run, owned by the entry point's frame.
extern UpdateState* gUpdateState;
