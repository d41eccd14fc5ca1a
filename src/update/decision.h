// Whether the update may run, and in which form.
#pragma once

#include "ui/window.h"

enum UpdateDecision : int {
  kUpdateSinglePass = 0,
  kUpdateIncompatible = 1,
  kUpdateAlreadyCurrent = 2,
  kUpdateThreeStage = 3,
};

// A device at or below this version, facing an update whose compatibility digit
// is 2, needs the three-stage update.
inline constexpr const char* THREE_STAGE_VERSION_LIMIT = "V2.00";

// Compares the device's version (control 1002 of page) with the update's (1003)
// under the two checks of the update state. Refusals show their message, owned
// by page, before they return.
UpdateDecision DecideUpdate(Window page);

// Whether the device's version (control 1002 of page) sorts below the update's
// (1003), compared as DecideUpdate compares them: a device that reports such a
// version after an update still runs firmware older than the image sent.
bool DeviceVersionBehind(Window page);
