// The one header through which the program includes the Windows API.
#pragma once

#include <windows.h>
