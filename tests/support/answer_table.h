// Whole runs answered by the letters of the buttons, one a line, as a user at
// the terminal types them and as a desktop user presses the keys: the scenario,
// the answers, the exit code and a text the run must have shown. The terminal
// program and the desktop wizard both run every row.
#pragma once

namespace testing_support {

struct AnswerRow {
  const char* what;
  const char* scenario;
  const char* input;
  int exitCode;
  const char* shown;
};

inline constexpr AnswerRow kAnswerRows[] = {
    {"the full update", "clock=fast", "n\nn\no\nf\n", 0, "successfully completed"},
    {"the input ends on the result page", "clock=fast", "n\nn\no\n", 0, "successfully completed"},
    {"Enter alone: Next, Next, OK", "clock=fast", "\n\n\n", 0, "successfully completed"},
    {"the input ends at once", "clock=fast", "", 255, "Read the following contents"},
    {"quitting confirmed", "clock=fast", "c\ny\n", 255, "Are you sure you want to quit"},
    {"quitting refused, then the input ends", "clock=fast", "c\nn\n", 255, "Are you sure you want to quit"},
    {"no device, then quitting", "device=absent;clock=fast", "n\no\nc\ny\n", 255, "Connection Error"},
    {"already current", "version=V2.60a-3;clock=fast", "n\no\n", 0, "has already been updated"},
    {"incompatible", "version=V2.50a-2;clock=fast", "n\no\n", 255, "not compatible"},
    {"the start warning refused", "clock=fast", "n\nn\nc\n", 255, "will start"},
    {"the device not ready", "status=1;clock=fast", "n\no\n", 255, "Update Error"},
    {"the update failing", "fail-write=2;clock=fast", "n\nn\no\no\n", 255, "Update Error"},
    {"the writing stalled", "progress=50;clock=fast", "n\nn\no\no\n", 255, "Update Error"},
    {"back with the old firmware", "version-after=V2.50a-3;clock=fast", "n\nn\no\nf\n", 255, "Update Error"},
};

}  // namespace testing_support
