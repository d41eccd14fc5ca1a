#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"

namespace {

struct Flags {
  int compatibilityCheck;
  int versionCheck;
  bool operator==(const Flags&) const = default;
};

Flags FlagsFor(const std::string& commandLine) {
  std::vector<char> text(commandLine.begin(), commandLine.end());
  text.push_back('\0');
  UpdateState state{0, 7, 7};
  ReadOptions(text.data(), state);
  return {state.compatibilityCheck, state.versionCheck};
}

std::string Words(int count, const std::string& word) {
  std::string text;
  for (int i = 0; i < count; ++i) text += word + " ";
  return text;
}

constexpr Flags kBothOn{1, 1};
constexpr Flags kVersionOff{1, 0};
constexpr Flags kBothOff{0, 0};

TEST(Options, TheTwoWordsSwitchTheChecks) {
  const std::pair<std::string, Flags> cases[] = {
      {"", kBothOn},
      {"/R", kVersionOff},
      {"/C", kBothOff},
      {"/C /R", kBothOff},
      {"/R /C", kBothOff},
      {"/r", kVersionOff},
      {"/c", kBothOff},
      {"/r /c", kBothOff},
      {"   /R   ", kVersionOff},
      {"/R /R", kVersionOff},
      {"other /R words", kVersionOff},
  };
  for (const auto& [commandLine, flags] : cases) EXPECT_EQ(FlagsFor(commandLine), flags) << commandLine;
}

TEST(Options, LookAlikeWordsAreNoOptions) {
  const char* cases[] = {"/R\t/C", "-R", "/RC", "/R2", "\"/R\"", "/R,/C", "R", "C", "//R", "/ R"};
  for (const char* commandLine : cases) EXPECT_EQ(FlagsFor(commandLine), kBothOn) << commandLine;
}

TEST(Options, EveryWordOfALongCommandLineIsExamined) {
  // /R as the eleventh word, after a table's worth of other words.
  EXPECT_EQ(FlagsFor(Words(10, "x") + "/R"), kVersionOff);
  EXPECT_EQ(FlagsFor(Words(10, "x") + "/C"), kBothOff);
  // A command line of 5,000 characters with the options at its very end.
  std::string longLine = Words(1000, "word");
  ASSERT_EQ(longLine.size(), 5000u);
  EXPECT_EQ(FlagsFor(longLine + "/R"), kVersionOff);
  EXPECT_EQ(FlagsFor(longLine + "/C /R"), kBothOff);
  EXPECT_EQ(FlagsFor(longLine), kBothOn);
  // Long words in between change nothing.
  EXPECT_EQ(FlagsFor(std::string(4000, 'z') + " /R " + std::string(3000, 'q')), kVersionOff);
}

TEST(Options, AWordOf64CharactersOrMoreIsNeverAnOption) {
  EXPECT_EQ(FlagsFor("/R" + std::string(62, ' ') + "x"), kVersionOff);  // blanks separate
  EXPECT_EQ(FlagsFor("/R" + std::string(62, 'x')), kBothOn);
  EXPECT_EQ(FlagsFor("/R" + std::string(5000, 'x')), kBothOn);
}

TEST(Options, OptionFlagUpperCasesTheCommandLineInPlace) {
  char commandLine[] = "/r update /c";
  EXPECT_EQ(OptionFlag(commandLine, "/C"), 0);
  EXPECT_STREQ(commandLine, "/R UPDATE /C");
  EXPECT_EQ(OptionFlag(commandLine, "/R"), 0);
  EXPECT_EQ(OptionFlag(commandLine, "/X"), 1);
}

}  // namespace
