#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "resources/generated.h"
#include "resources/language.h"
#include "resources/layout.h"
#include "resources/resources.h"

namespace {

using res::generated::kLanguageCount;
using res::generated::kLanguages;

const std::set<int> kTextIds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 16, 18, 19, 20,
                                21, 22, 23, 24, 25, 26, 27, 28, 31, 33, 34, 35};
// The terminal's own words, from the Next button to the Information box kind.
const std::set<int> kTerminalIds = {40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
const std::set<int> kLanguageIds = {1029, 1030, 1031, 1033, 1035, 1036, 1038, 1040, 1041, 1043,
                                    1044, 1045, 1049, 1053, 2052, 2067, 2068, 2070, 3082};

int Count(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

TEST(Texts, EveryLanguageHasANonEmptyTextForEachIdAndNoOther) {
  std::set<int> languages;
  for (int l = 0; l < kLanguageCount; ++l) {
    languages.insert(kLanguages[l].id);
    for (int id = 0; id < res::generated::kTextSlots; ++id) {
      const char* text = res::TextIn(kLanguages[l].id, id);
      if (kTextIds.count(id) || kTerminalIds.count(id)) {
        ASSERT_NE(text, nullptr) << kLanguages[l].id << " lacks " << id;
        EXPECT_GT(std::string(text).size(), 0u) << kLanguages[l].id << " " << id;
      } else {
        EXPECT_EQ(text, nullptr) << kLanguages[l].id << " has " << id;
      }
    }
  }
  EXPECT_EQ(languages, kLanguageIds);
}

TEST(Texts, EveryLanguageKeepsTheShapeOfTheEnglishTexts) {
  for (int l = 0; l < kLanguageCount; ++l) {
    int language = kLanguages[l].id;
    for (int id : kTextIds) {
      std::string text = res::TextIn(language, id), english = res::TextIn(res::kEnglish, id);
      EXPECT_EQ(Count(text, "\n"), Count(english, "\n")) << language << " text " << id;
      EXPECT_EQ(Count(text, "\r"), Count(english, "\r")) << language << " text " << id;
    }
    for (int item = 1; item <= 8; ++item) {
      std::string text = res::TextIn(language, item + 1);
      EXPECT_EQ(text.rfind("(" + std::to_string(item) + ") ", 0), 0u) << language << " item " << item;
      bool last = item == 8;
      EXPECT_EQ(text.ends_with("\r\n"), !last) << language << " item " << item;
      EXPECT_FALSE(last && (text.back() == '\n' || text.back() == '\r')) << language;
    }
    // The Linux program's connection error speaks of the udev rule, not of a Windows driver.
    std::string connection = res::TextIn(language, res::kTextConnectionError);
    EXPECT_TRUE(connection.find("60-updater-device.rules") != std::string::npos &&
                connection.find("TWAIN") == std::string::npos)
        << language;
    // The heading and the confirmation page name the Next button in brackets.
    std::string heading = res::TextIn(language, res::kTextPrecautionsHeading);
    std::string confirm = res::TextIn(language, res::kTextConfirmHeading);
    size_t open = heading.find('['), close = heading.find(']');
    ASSERT_NE(open, std::string::npos) << language;
    EXPECT_NE(confirm.find(heading.substr(open, close - open + 1)), std::string::npos) << language;
    // The terminal's Next button, its letter aside, is the word the heading names.
    std::string next = res::TextIn(language, res::kTextButtonNext);
    std::erase_if(next, [](char c) { return c == '[' || c == ']'; });
    EXPECT_NE(next.find(heading.substr(open + 1, close - open - 1)), std::string::npos) << language << " " << next;
  }
}

TEST(Texts, BelgianDutchAndNynorskCarryTheTextsOfDutchAndBokmal) {
  for (int id : kTextIds) {
    EXPECT_STREQ(res::TextIn(2067, id), res::TextIn(1043, id)) << id;
    EXPECT_STREQ(res::TextIn(2068, id), res::TextIn(1044, id)) << id;
  }
}

TEST(Texts, TheEnglishPrecautionsAreEightLinesAndNothingAfter) {
  res::SetCurrentLanguage(res::kEnglish);
  std::string list;
  char text[res::kTextBufferSize];
  for (int id = res::kTextFirstPrecaution; id <= res::kTextLastPrecaution; ++id) {
    res::LoadText(id, text, sizeof text);
    list += text;
  }
  EXPECT_EQ(Count(list, "\r\n"), 7);
  EXPECT_EQ(list.rfind("(1) This updater is exclusive", 0), 0u);
  EXPECT_TRUE(list.ends_with("restart the device, then try again.")) << list;
  for (int item = 1; item <= 8; ++item) {
    std::string number = "(" + std::to_string(item) + ") ";
    EXPECT_EQ(Count(list, number), 1) << number;
    EXPECT_TRUE(item == 1 || list.find("\r\n" + number) != std::string::npos) << number;
  }
  res::SetCurrentLanguage(0);
}

TEST(Texts, LoadingStaysWithinTheBufferAndMissingIdsAreEmpty) {
  res::SetCurrentLanguage(res::kEnglish);
  char small[8] = "xxxxxxx";
  EXPECT_EQ(res::LoadText(res::kTextUpdateData, small, sizeof small), 7);
  EXPECT_STREQ(small, "Update ");
  char buffer[res::kTextBufferSize] = "junk";
  EXPECT_EQ(res::LoadText(10, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(res::LoadText(999, buffer, sizeof buffer), 0);
  EXPECT_EQ(res::LoadText(-1, buffer, sizeof buffer), 0);
  // Every text of every language fits the program's buffers whole.
  for (int l = 0; l < kLanguageCount; ++l) {
    for (int id : kTextIds) EXPECT_LT(std::string(res::TextIn(kLanguages[l].id, id)).size(), 1024u);
  }
  res::SetCurrentLanguage(0);
}

TEST(Language, ComesFromTheLocaleNames) {
  const std::pair<const char*, int> cases[] = {
      {"", 1033},          {"C", 1033},        {"POSIX", 1033},      {"C.UTF-8", 1033}, {"en_GB.UTF-8", 1033},
      {"de_DE.UTF-8", 1031}, {"de_AT", 1031},  {"fr_CA.UTF-8", 1036}, {"ja_JP.eucJP", 1041}, {"nl_NL", 1043},
      {"nl_BE.UTF-8", 2067}, {"nl_BE@euro", 2067}, {"nb_NO.UTF-8", 1044}, {"no_NO", 1044}, {"nn_NO.UTF-8", 2068},
      {"zh_CN.UTF-8", 2052}, {"zh_TW.UTF-8", 2052}, {"pt_PT", 2070},  {"pt_BR", 2070},    {"es_ES.UTF-8", 3082},
      {"cs_CZ", 1029},     {"da_DK", 1030},    {"fi_FI", 1035},      {"hu_HU", 1038},   {"it_IT", 1040},
      {"pl_PL", 1045},     {"ru_RU.KOI8-R", 1049}, {"sv_SE", 1053},  {"xx_YY", 1033},   {"_", 1033},
  };
  for (const auto& [locale, language] : cases) EXPECT_EQ(res::LanguageForLocale(locale), language) << locale;
}

TEST(Language, LcAllThenLcMessagesThenLang) {
  struct Case {
    const char *all, *messages, *lang;
    int language;
  };
  const Case cases[] = {
      {"de_DE", "fr_FR", "it_IT", 1031},
      {"", "fr_FR", "it_IT", 1036},
      {nullptr, nullptr, "it_IT", 1040},
      {nullptr, nullptr, nullptr, 1033},
      {"C", "fr_FR", "it_IT", 1033},
  };
  for (const Case& c : cases) {
    auto set = [](const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); };
    set("LC_ALL", c.all);
    set("LC_MESSAGES", c.messages);
    set("LANG", c.lang);
    res::SetCurrentLanguage(0);
    EXPECT_EQ(res::CurrentLanguage(), c.language) << (c.all ? c.all : "-") << (c.messages ? c.messages : "-");
  }
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::unsetenv("LANG");
  res::SetCurrentLanguage(0);
}

TEST(FirmwareImages, TheMainImageIsEmbeddedAndHandedOutInPlace) {
  auto image = res::FirmwareImage(2);
  ASSERT_EQ(image.size(), 1399240u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()), 26), "DEVELOPMENT FIRMWARE IMAGE");
  EXPECT_EQ(res::FirmwareImage(2).data(), image.data());  // no copy
  EXPECT_TRUE(res::FirmwareImage(0).empty());
  EXPECT_TRUE(res::FirmwareImage(1).empty());
  EXPECT_TRUE(res::FirmwareImage(3).empty());
}

TEST(Layouts, TheFiveWindowsWithTheirControlsInTemplateOrder) {
  struct Expected {
    int id;
    uint32_t style;
    int width, height;
    std::vector<int> controls;
  };
  const Expected windows[] = {
      {101, 0x80C800C0, 350, 200, {1000, 1001, -1}},
      {102, 0x80C800C0, 350, 200, {1001, 1004, 1005, 1002, 1003, -1, 1006, 1007}},
      {103, 0x80C800C0, 350, 200, {1001, 1004, 1005, -1, 1002, 1003, 1006, 1007}},
      {104, 0x800000C0, 250, 120, {1003, 1001, 1008, 1009, -1}},
      {105, 0x800000C0, 250, 33, {1010}},
  };
  ASSERT_EQ(res::AllLayouts().size(), 5u);
  for (const Expected& e : windows) {
    const res::DialogLayout* layout = res::FindLayout(e.id);
    ASSERT_NE(layout, nullptr) << e.id;
    EXPECT_EQ(layout->style, e.style) << e.id;
    EXPECT_EQ(layout->width, e.width) << e.id;
    EXPECT_EQ(layout->height, e.height) << e.id;
    std::vector<int> ids;
    for (const res::ControlLayout& c : layout->controls) {
      ids.push_back(c.id);
      EXPECT_EQ(c.style & 0x00010000u, 0u) << "no control takes the tab key";
    }
    EXPECT_EQ(ids, e.controls) << e.id;
  }
  // The version fields start as "0.00"; the result page's are narrower.
  for (int id : {102, 103}) {
    for (const res::ControlLayout& c : res::FindLayout(id)->controls) {
      if (c.id == 1002 || c.id == 1003) {
        EXPECT_STREQ(c.text, "0.00");
        EXPECT_EQ(c.width, id == 102 ? 94 : 66);
      }
    }
  }
  EXPECT_EQ(res::FindLayout(106), nullptr);
}

}  // namespace
