#include "app/options.h"

#include "platform/text.h"
#include "platform/words.h"

namespace {
constexpr int kWordSlots = 10;
constexpr int kWordStride = 64;
}  // namespace

int OptionFlag(char* commandLine, const char* option) {
  platform::UpperCaseInPlace(commandLine);
  char words[kWordSlots][kWordStride];
  const char* rest = commandLine;
  for (;;) {
    int count = SplitWords(rest, " ", &words[0][0], kWordStride, kWordSlots, &rest);
    for (int i = 0; i < count; ++i) {
      if (words[i][0] != '\0' && platform::CompareText(words[i], option) == 0) return 0;
    }
    if (count < kWordSlots) return 1;
  }
}

void ReadOptions(char* commandLine, UpdateState& state) {
  state.compatibilityCheck = OptionFlag(commandLine, "/C");
  state.versionCheck = OptionFlag(commandLine, "/R");
  if (state.compatibilityCheck == 0) state.versionCheck = 0;
}
