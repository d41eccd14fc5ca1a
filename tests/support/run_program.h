// Starts a built program as a user or a script starts it: its standard input
// given, its output and exit code collected.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// What is done once the program's output shows a text, after the text of the
// step before: a signal sent to the program (0: none), then the action, then
// more input given (with inputStaysOpen).
struct OnOutput {
  std::string after;
  int signal = 0;
  std::function<void()> action = nullptr;
  std::string input = "";
};

struct ProgramRun {
  const char* program = nullptr;
  std::vector<std::string> args;
  std::string input = "";
  std::optional<std::string> scenario;  // UPDATER_SIMULATE; unset when none
  std::string locale = "C";             // LANG; the other locale variables are unset
  std::optional<uid_t> runAs;           // another user (and that user's group), for root only
  int limitSeconds = 120;               // then the program is killed
  std::vector<OnOutput> steps;
  bool inputStaysOpen = false;  // as a terminal's: the input does not end after the text given
};

struct ProgramOutcome {
  int exitCode = -1;  // 128 + the signal that ended the program; -1: its input could not be given
  std::string out, err;
};

// Runs the program in its locale and waits for it.
ProgramOutcome RunProgram(const ProgramRun& run);

// Whether users other than the file's owner may run the file: it and every
// folder above it open to others.
bool OthersMayRun(const std::string& path);

}  // namespace testing_support
