#include "platform/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Charset, TextsAreConvertedWithAStandInForWhatTheSetLacks) {
  struct Case {
    const char* text;
    const char* charset;
    std::string converted;
  };
  const Case cases[] = {
      {"Zur\xc3\xbc" "ck", "ISO-8859-1", "Zur\xfc" "ck"},
      {"\xd0\x94\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xb5", "KOI8-R", "\xe4\xc1\xcc\xc5\xc5"},
      {"[n] \xe6\xac\xa1\xe3\x81\xb8", "ISO-8859-1", "[n] ??"},
      {"[n] \xe6\xac\xa1\xe3\x81\xb8", "ANSI_X3.4-1968", "[n] ??"},
      // A broken sequence costs one stand-in and nothing after it; a cut-off one, one.
      {"a\xc3(b", "ISO-8859-1", "a?(b"},
      {"ab\xe3\x81", "ISO-8859-1", "ab?"},
      // A set the system does not know: the ASCII letters alone.
      {"Zur\xc3\xbc" "ck\r\n", "NO-SUCH-SET", "Zur?ck\r\n"},
      {"", "ISO-8859-1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::FromUtf8(c.text, c.charset), c.converted) << c.text;
}

TEST(Charset, WholeCharactersKeepsBackASplitCharacter) {
  const std::pair<std::string, size_t> cases[] = {
      {"ab", 2}, {"a\xc3", 1}, {"a\xe3\x81", 1}, {"a\xe3\x81\xaa", 4}, {"\xf0\x9f\x98", 0}, {"\xf0\x9f\x98\x80", 4},
      {"\x81\x81\x81\x81", 4},
  };
  for (const auto& [text, whole] : cases) EXPECT_EQ(platform::WholeCharacters(text), whole) << text.size();
  EXPECT_TRUE(platform::IsUtf8("utf8"));
  EXPECT_TRUE(platform::IsUtf8("UTF-8"));
  EXPECT_FALSE(platform::IsUtf8("ISO-8859-1"));
}

}  // namespace
