#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/words.h"

namespace {

struct Split {
  int count;
  std::vector<std::string> words;
};

Split SplitInto(const char* text, const char* delimiters, int stride = 64, int slots = 10) {
  std::vector<char> area(static_cast<size_t>(stride) * static_cast<size_t>(slots), '#');
  Split result{SplitWords(text, delimiters, area.data(), stride, slots), {}};
  for (int i = 0; i < result.count; ++i) result.words.emplace_back(area.data() + i * stride);
  return result;
}

struct Case {
  const char* text;
  const char* delimiters;
  std::vector<std::string> words;
};

TEST(SplitWords, SplitsAtAnyDelimiterAndDropsEmptyWords) {
  const Case cases[] = {
      {"a,,b", ",", {"a", "b"}},
      {",,,", ",", {}},
      {"", ",", {}},
      {"", " ", {}},
      {"   /R   ", " ", {"/R"}},
      {"/R\t/C", " ", {"/R\t/C"}},  // a tab is no blank
      {"  A   B", " ", {"A", "B"}},
      {"x-y z", " -", {"x", "y", "z"}},
      {"USB\\VID_FA17&PID_0C3E&MI_00", ",", {"USB\\VID_FA17&PID_0C3E&MI_00"}},
  };
  for (const Case& c : cases) {
    Split split = SplitInto(c.text, c.delimiters);
    EXPECT_EQ(split.count, static_cast<int>(c.words.size())) << c.text;
    EXPECT_EQ(split.words, c.words) << c.text;
  }
}

TEST(SplitWords, LeavesTheTextAndTheRestOfEachSlotAlone) {
  const char text[] = "ab cd";
  char slots[2][8];
  std::memset(slots, '#', sizeof slots);
  EXPECT_EQ(SplitWords(text, " ", &slots[0][0], 8, 2), 2);
  EXPECT_STREQ(text, "ab cd");
  EXPECT_STREQ(slots[0], "ab");
  EXPECT_EQ(slots[0][3], '#');
  EXPECT_STREQ(slots[1], "cd");
  EXPECT_EQ(slots[1][7], '#');
}

TEST(SplitWords, NeverWritesPastTheSlotsItIsGiven) {
  // Twelve words into three slots of 4 bytes, with guard bytes after the area.
  char area[3 * 4 + 8];
  std::memset(area, '#', sizeof area);
  const char* rest = nullptr;
  const char text[] = "aa bb cc dd ee ff gg hh ii jj kk ll";
  EXPECT_EQ(SplitWords(text, " ", area, 4, 3, &rest), 3);
  for (size_t i = 12; i < sizeof area; ++i) EXPECT_EQ(area[i], '#') << i;
  EXPECT_STREQ(rest, " dd ee ff gg hh ii jj kk ll");
}

TEST(SplitWords, AWordTooLongForItsSlotIsStoredEmpty) {
  std::string text = "first " + std::string(63, 'x') + " " + std::string(64, 'y') + " last";
  Split split = SplitInto(text.c_str(), " ");
  ASSERT_EQ(split.count, 4);
  EXPECT_EQ(split.words[0], "first");
  EXPECT_EQ(split.words[1], std::string(63, 'x'));  // 63 characters and the terminator fill 64 bytes
  EXPECT_EQ(split.words[2], "");
  EXPECT_EQ(split.words[3], "last");
  EXPECT_EQ(SplitInto("abc", " ", 4, 1).words[0], "abc");
}

TEST(SplitWords, RestCarriesOnWithTheWordsThatDidNotFit) {
  std::string text;
  for (int i = 0; i < 25; ++i) text += "w" + std::to_string(i) + " ";
  std::vector<std::string> all;
  const char* rest = text.c_str();
  char slots[10][64];
  for (int count; (count = SplitWords(rest, " ", &slots[0][0], 64, 10, &rest)) > 0;) {
    for (int i = 0; i < count; ++i) all.emplace_back(slots[i]);
  }
  ASSERT_EQ(all.size(), 25u);
  EXPECT_EQ(all[10], "w10");
  EXPECT_EQ(all[24], "w24");
}

TEST(SplitWords, VersionTextWithRunsOfBlanks) {
  // Two blanks, A, three blanks, B: the device's version is the second word.
  Split split = SplitInto("  A   B", " ", 30, 10);
  ASSERT_EQ(split.count, 2);
  EXPECT_EQ(split.words[1], "B");
}

}  // namespace
