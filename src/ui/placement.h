// Window placement and the wait popup shown while the firmware version is read.
#pragma once

#include <cstdint>

#include "ui/window.h"

// Moves window, keeping its size, to the middle of its owner or, when it has
// none, of the screen. Each half is a signed division that truncates toward zero,
// and the place is not kept within the screen.
void CenterWindow(Window window);

// The procedure of the wait popup (template 105): centres it over its owner and
// shows the "checking the version" text. The popup has no way to close itself.
intptr_t VersionCheckPopup(Window popup, uint32_t message, uintptr_t wParam, intptr_t lParam);
