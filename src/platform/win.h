// The one header through which the program includes the Windows API.
#pragma once

#include <windows.h>
// After windows.h, which it needs: the progress bar and the property-sheet wizard.
#include <commctrl.h>
