// The two command-line options "/R" and "/C".
#pragma once

#include "update/update_state.h"

// 0 when option (e.g. "/R") is a word of the command line, 1 otherwise. The
// command line is upper-cased in place first. Every word is examined, however
// many there are; a word of 64 characters or more is never an option.
int OptionFlag(char* commandLine, const char* option);

// Sets the two check flags of state from the command line: "/C" turns off both
// checks, "/R" the version check alone.
void ReadOptions(char* commandLine, UpdateState& state);
