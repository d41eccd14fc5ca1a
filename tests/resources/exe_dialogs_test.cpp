// The five dialog templates of the built Windows programs: classic templates
// in all 19 languages, the language's font (the shell's, Japanese its own), and
// each window's layout.
#include <algorithm>
#include <cctype>
#include <set>

#include "exe_under_test.h"

namespace exe_check {
namespace {

constexpr std::uint16_t kIcon = 107;   // the icon controls show icon 107
constexpr std::uint16_t kNoId = 0xFFFF;  // ID -1: a control the program never addresses
constexpr std::uint32_t kPage = 0x80C800C0;   // popup, caption, system menu, modal frame, font
constexpr std::uint32_t kPopup = 0x800000C0;  // popup, modal frame, font: no title bar
constexpr std::uint32_t kText = 0x50020000, kCentred = 0x50020001, kIconStyle = 0x50000003;
constexpr std::uint32_t kGroupBox = 0x50000007;
constexpr std::uint32_t kShellFont = 0x48;  // DS_SHELLFONT: the font's 0x40 and DS_FIXEDSYS

struct Control {
  std::uint16_t id;
  const char* window_class;
  std::uint32_t style;
  std::int16_t x, y, cx, cy;
  const char* text;  // nullptr: icon 107
};

struct Template {
  std::uint16_t id;
  std::uint32_t style;
  std::int16_t cx, cy;
  const char* caption;
  std::vector<Control> controls;
};

// The controls of template 102, in its order; 1002 and 1003 take the given width.
std::vector<Control> VersionControls(std::int16_t version_width) {
  return {{1001, "Static", kText, 57, 7, 286, 43, "Static"},
          {1004, "Button", kGroupBox, 57, 73, 229, 43, "Static"},
          {1005, "Button", kGroupBox, 57, 128, 229, 43, "Static"},
          {1002, "Static", kCentred, 186, 90, version_width, 12, "0.00"},
          {1003, "Static", kCentred, 186, 145, version_width, 12, "0.00"},
          {kNoId, "Static", kIconStyle, 7, 7, 20, 20, nullptr},
          {1006, "Static", kText, 72, 90, 106, 12, "Static"},
          {1007, "Static", kText, 72, 145, 106, 12, "Static"}};
}

std::vector<Template> Templates() {
  std::vector<Control> result = VersionControls(66);
  std::rotate(result.begin() + 3, result.begin() + 5, result.begin() + 6);  // the icon before 1002, 1003
  return {
      {101, kPage, 350, 200, "Dialog",
       {{1000, "Edit", 0x50A00804, 7, 58, 336, 120, ""},
        {1001, "Static", kText, 57, 7, 286, 43, "Static"},
        {kNoId, "Static", kIconStyle, 7, 7, 20, 20, nullptr}}},
      {102, kPage, 350, 200, "Dialog", VersionControls(94)},
      {103, kPage, 350, 200, "Dialog", result},
      {104, kPopup, 250, 120, "",
       {{1003, "msctls_progress32", 0x50800000, 17, 79, 214, 10, "Progress1"},
        {1001, "Static", kText, 44, 30, 161, 26, "Static"},
        {1008, "Static", kCentred, 91, 65, 67, 10, "0%"},
        {1009, "Static", kIconStyle, 18, 30, 21, 23, nullptr},
        {kNoId, "Button", kGroupBox, 6, 3, 237, 110, ""}}},
      {105, kPopup, 250, 33, "", {{1010, "Static", kCentred, 13, 5, 224, 22, "Static"}}},
  };
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The predefined classes may be named by atom or by name, in any case.
std::string ClassName(const pe::NameOrOrdinal& window_class) {
  if (!window_class.ordinal) return Lower(window_class.text);
  switch (*window_class.ordinal) {
    case 0x80: return "button";
    case 0x81: return "edit";
    case 0x82: return "static";
    default: return "atom " + Hex(*window_class.ordinal);
  }
}

std::string TextOf(const pe::NameOrOrdinal& text) {
  return text.ordinal ? "ordinal " + std::to_string(*text.ordinal) : "\"" + text.text + "\"";
}

// The template's layout; WS_TABSTOP on a control shows as a style difference.
void ExpectLayout(const pe::Dialog& dialog, const Template& expected) {
  EXPECT_EQ(Hex(dialog.style | kShellFont), Hex(expected.style | kShellFont));  // the font's: below
  EXPECT_EQ(dialog.cx, expected.cx);
  EXPECT_EQ(dialog.cy, expected.cy);
  EXPECT_EQ(dialog.title, expected.caption);
  ASSERT_EQ(dialog.items.size(), expected.controls.size());
  for (std::size_t i = 0; i < dialog.items.size(); ++i) {
    const pe::DialogItem& item = dialog.items[i];
    const Control& control = expected.controls[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (expected ID " + std::to_string(control.id) + ")");
    EXPECT_EQ(item.id, control.id);
    EXPECT_EQ(ClassName(item.window_class), Lower(control.window_class));
    EXPECT_EQ(Hex(item.style), Hex(control.style));
    EXPECT_EQ((std::vector<int>{item.x, item.y, item.cx, item.cy}),
              (std::vector<int>{control.x, control.y, control.cx, control.cy}));
    EXPECT_EQ(TextOf(item.text), control.text ? "\"" + std::string(control.text) + "\"" : "ordinal " + std::to_string(kIcon));
  }
}

class DialogTemplates : public ExeTest {
 protected:
  const pe::Resource* Find(std::uint16_t id, std::uint16_t language) const {
    return image().Find(pe::ResId::Id(pe::kRtDialog), pe::ResId::Id(id), language);
  }
};

TEST_P(DialogTemplates, AreTheFiveTemplatesInExactlyTheNineteenLanguages) {
  std::map<std::uint16_t, std::set<std::uint16_t>> languages;
  for (const pe::Resource* dialog : image().OfType(pe::ResId::Id(pe::kRtDialog))) {
    languages[dialog->name.named ? 0 : dialog->name.id].insert(dialog->language);
  }
  std::set<std::uint16_t> expected(kLanguages.begin(), kLanguages.end());
  EXPECT_EQ(languages, (std::map<std::uint16_t, std::set<std::uint16_t>>{
                           {101, expected}, {102, expected}, {103, expected}, {104, expected}, {105, expected}}));
}

TEST_P(DialogTemplates, AreClassicWithoutMenuClassOrExtendedStyle) {
  for (const pe::Resource* resource : image().OfType(pe::ResId::Id(pe::kRtDialog))) {
    SCOPED_TRACE("template " + resource->name.ToString() + " language " + std::to_string(resource->language));
    ASSERT_FALSE(pe::IsExtendedDialog(resource->data));
    pe::Dialog dialog = pe::DecodeDialog(resource->data);
    EXPECT_TRUE(dialog.menu.absent()) << TextOf(dialog.menu);
    EXPECT_TRUE(dialog.window_class.absent()) << TextOf(dialog.window_class);
    EXPECT_EQ(Hex(dialog.ex_style), Hex(0));
  }
}

TEST_P(DialogTemplates, UseTheFontOfTheirLanguage) {
  for (std::uint16_t language : kLanguages) {
    bool japanese = language == 1041;
    for (std::uint16_t id = 101; id <= 105; ++id) {
      const pe::Resource* resource = Find(id, language);
      if (resource == nullptr) continue;  // reported by the inventory test
      pe::Dialog dialog = pe::DecodeDialog(resource->data);
      EXPECT_EQ(dialog.point_size, japanese ? 9 : 8) << "template " << id << " language " << language;
      EXPECT_EQ(dialog.font, japanese ? "\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF" : "MS Shell Dlg")
          << "template " << id << " language " << language;
      EXPECT_EQ(Hex(dialog.style & kShellFont), Hex(japanese ? pe::kDsSetFont : kShellFont)) << "template " << id;
    }
  }
}

TEST_P(DialogTemplates, HaveTheLayoutOfTheirWindowInEveryLanguage) {
  for (const Template& expected : Templates()) {
    for (std::uint16_t language : kLanguages) {
      const pe::Resource* resource = Find(expected.id, language);
      if (resource == nullptr) continue;  // reported by the inventory test
      SCOPED_TRACE("template " + std::to_string(expected.id) + " language " + std::to_string(language));
      ExpectLayout(pe::DecodeDialog(resource->data), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Exes, DialogTemplates, testing::ValuesIn(ExePaths()), ExeLabel);

}  // namespace
}  // namespace exe_check
