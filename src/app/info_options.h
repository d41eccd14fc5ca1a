// The two requests a Linux user expects of any program: "--help" and "--version",
// each as the only word of the command line. Every other command line goes to the
// wizard as it stands.
#pragma once

#include <cstdio>

// When the arguments after the program's name are exactly one of the two
// requests, prints the answer to out, sets exitCode (0; 1 when the answer could
// not be written) and gives true. Gives false for any other command line. The
// last path element of argv[0] names the program in the usage line.
bool AnswerInfoRequest(int argc, const char* const* argv, std::FILE* out, int& exitCode);

// The line on standard error of a second copy that leaves at once, begun with
// the program's name.
void TellAnotherCopyRuns(const char* program);
