// The update wizard: the program's whole user interface and its main loop.
#pragma once

#include "ui/window.h"

// Runs the wizard modally and returns when it has gone. The outcome is left in
// gUpdateState->resultCode.
void RunUpdateWizard(Window parent);
