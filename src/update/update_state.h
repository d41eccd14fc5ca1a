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

// The exit code of a run ended from outside before any update has run (the
// session ends while the wizard or one of its boxes is up): -1, as a quit,
// except from the moment a box is shown after which the wizard ends with 0 (the
// version could not be read, the device already holds this firmware or a
// newer one). The entry point sets it to -1 as the run begins.
extern int32_t gOutcomeIfEnded;
