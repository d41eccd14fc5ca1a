// Starts a built program as a user or a script starts it: its standard input
// given, its output and exit code collected.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// The connection-error box of the Linux programs in English on the terminal, up
// to the driver's advice (none from the simulated device) and the OK button.
inline constexpr char kLinuxConnectionErrorBox[] =
    "NORVA TELIX MZ 5100P - Error\nConnection Error\n\nPerform the following steps:\n1. Confirm your device is "
    "supported by this updater.\n2. Check that the udev rule 60-updater-device.rules is installed (the updater's "
    "package brings it), and close any other program that uses the scanner interface of the device (scanning or "
    "photo import programs, another copy of this updater).\n3. Check the USB cable and that the device power is on; "
    "restart the device, then reconnect it to the computer with the USB cable.\n";

// What is done once the program's output shows a text, after the text of the
// step before: a signal sent to the program (0: none), then the action, then
// the text typed on its input.
struct OnOutput {
  std::string after;
  int signal = 0;
  std::function<void()> action = nullptr;
  std::string typed{};
};

struct ProgramRun {
  const char* program = nullptr;
  std::vector<std::string> args{};
  std::string input;
  std::optional<std::string> scenario;  // UPDATER_SIMULATE; unset when none
  std::string locale = "C";             // LANG; the other locale variables are unset
  std::optional<uid_t> runAs{};         // another user (and that user's group), for root only
  int limitSeconds = 120;               // then the program is killed
  std::vector<OnOutput> steps{};
  bool inputStaysOpen = false;  // as a terminal's: the input does not end after the text given
  bool inputClosed = false;     // started with no standard input at all
  bool inputIsTerminal = false; // the input a (pseudo-)terminal that input is typed into
  int ignoredSignal = 0;        // ignored when the program starts, as under nohup
  std::string runtimeDir{};     // XDG_RUNTIME_DIR, for a copy running beside others; empty: the test's
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
