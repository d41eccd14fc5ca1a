// The steps of a run, the same on every system.
#pragma once

#include "device/link.h"

// Runs the program with the command line (the text after the program's name,
// words separated by blanks), which it upper-cases in place, on the device record
// as shipped. Returns the result code, the process exit code: 0 or -1. When
// another copy runs, this one leaves at once with 0, after calling
// anotherCopyRuns when one is given.
int RunProgram(char* commandLine, void (*anotherCopyRuns)() = nullptr);

// The run on a device record filled by the caller; the record is closed when
// the wizard has ended.
int RunUpdater(DeviceLink& link, char* commandLine, void (*anotherCopyRuns)() = nullptr);
