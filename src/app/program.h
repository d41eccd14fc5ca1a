// The steps of a run, the same on every system.
#pragma once

// Runs the program with the command line (the text after the program's name,
// words separated by blanks), which it upper-cases in place. Returns the result
// code, the process exit code: 0 or -1. When another copy runs, this one
// leaves at once with 0, after calling anotherCopyRuns when one is given.
int RunProgram(char* commandLine, void (*anotherCopyRuns)() = nullptr);
