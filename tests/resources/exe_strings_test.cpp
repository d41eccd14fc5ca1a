// The string tables of the built Windows programs: the same 28 IDs in each of
// the 19 languages, the English reference texts, and the precautions list.
#include <set>

#include "exe_under_test.h"

namespace exe_check {
namespace {

const std::vector<std::uint16_t> kStringIds = {1,  2,  3,  4,  5,  6,  7,  8,  9,  12, 13, 14, 16, 18,
                                               19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 31, 33, 34, 35};

struct Text {
  std::uint16_t id;
  const char* text;
};

const Text kEnglish[] = {
    {1, "Do you want to update the master controller firmware?\n\nRead the following contents, then click [Next]."},
    {2, "(1) This updater is exclusive to certain devices. Confirm that this updater supports your device.\r\n"},
    {3, "(2) Disconnect the telephone line and the Ethernet cable from the device.\r\n"},
    {4, "(3) Make sure the device is in Ready status and close all other applications currently in use on your "
        "computer.\r\n"},
    {5, "(4) Connect your computer to the device with the USB cable. Make sure that only one device is connected "
        "to the computer.\r\n"},
    {6, "(5) Check that the device power is on.\r\n"},
    {7, "(6) Do not turn off the power of the device during the updating process.\r\n"},
    {8, "(7) Scanned file data and sent/received fax file data in the device memory will be erased by "
        "updating.\r\n"},
    {9, "(8) When updating does not complete successfully, restart the device, then try again."},
    {12, "Connection Error\n\nPerform the following steps:\n1. Confirm your device is supported by this "
         "updater.\n2. Install the TWAIN driver again.\n3. Restart the device, then reconnect to the computer "
         "with the USB cable."},
    {13, "Master Controller Firmware Update Error"},
    {14, "The master controller firmware update is not complete.\nAre you sure you want to quit updating?"},
    {16, "The master controller firmware version could not be detected."},
    {18, "The master controller has already been updated."},
    {19, "This updater is not compatible with the connected device.\nCheck compatibility between the connected "
         "device type and the updater compatible type(s)."},
    {20, "The master controller firmware update will start.\n\nYou cannot cancel updating once it has started.\n "
         "Are you sure you want to start updating?"},
    {21, "Ready to communicate with the device.\n\nConfirm the master controller version and the update data "
         "version below.\nYou cannot cancel update once it has started. Click [Next] to start updating."},
    {22, "Update Data"},
    {23, "Version:"},
    {24, "Checking the current firmware version...\nPlease wait."},
    {25, "Sending data...\nPlease wait."},
    {26, "The master controller firmware has been updated.\nTurn the power off, then on."},
    {27, "Overwriting the master controller firmware...\nPlease wait."},
    {28, "The master controller firmware update was successfully completed.\n\nConfirm the master controller "
         "version and the update data version below."},
    {31, "Master Controller"},
    {33, "Before the master controller firmware update is complete, a message instructing you to turn the power "
         "off then on will be displayed in total 3 times.\nDo not turn off then on before the instructions are "
         "displayed."},
    {34, "Master Controller Firmware Update"},
    {35, "Turn the power off, then on."},
};

std::vector<std::uint16_t> IdsOf(const std::map<std::uint16_t, std::string>& strings) {
  std::vector<std::uint16_t> ids;
  for (const auto& [id, text] : strings) ids.push_back(id);
  return ids;
}

class StringTables : public ExeTest {};

TEST_P(StringTables, ExistInExactlyTheNineteenLanguages) {
  std::set<std::uint16_t> languages;
  for (const pe::Resource* block : image().OfType(pe::ResId::Id(pe::kRtString))) languages.insert(block->language);
  EXPECT_EQ(std::vector<std::uint16_t>(languages.begin(), languages.end()), kLanguages);
}

// A missing or empty text shows as a missing ID; IDs 10, 11, 15, 17, 29, 30
// and 32 must be absent.
TEST_P(StringTables, EveryLanguageHasTheSameTwentyEightNonEmptyTexts) {
  for (std::uint16_t language : kLanguages) {
    EXPECT_EQ(IdsOf(StringsOf(image(), language)), kStringIds) << "language " << language;
  }
}

TEST_P(StringTables, EnglishTextsAreTheReferenceTexts) {
  std::map<std::uint16_t, std::string> english = StringsOf(image(), 1033);
  for (const Text& expected : kEnglish) {
    EXPECT_EQ(english[expected.id], expected.text) << "string " << expected.id;
  }
}

TEST_P(StringTables, BelgianDutchAndNynorskRepeatDutchAndBokmal) {
  const std::pair<std::uint16_t, std::uint16_t> copies[] = {{2067, 1043}, {2068, 1044}};
  for (const auto& [copy, source] : copies) {
    EXPECT_EQ(StringsOf(image(), copy), StringsOf(image(), source)) << copy << " against " << source;
  }
}

// Strings 2 to 9 are the eight numbered lines of the precautions list.
TEST_P(StringTables, PrecautionItemsAreNumberedLinesInEveryLanguage) {
  for (std::uint16_t language : kLanguages) {
    std::map<std::uint16_t, std::string> strings = StringsOf(image(), language);
    for (std::uint16_t id = 2; id <= 9; ++id) {
      const std::string& text = strings[id];
      std::string number = "(" + std::to_string(id - 1) + ") ";
      EXPECT_EQ(text.substr(0, number.size()), number) << "language " << language << " string " << id;
      bool ends_with_line_break = text.size() >= 2 && text.substr(text.size() - 2) == "\r\n";
      EXPECT_EQ(ends_with_line_break, id != 9) << "language " << language << " string " << id;
      if (id == 9 && !text.empty()) {
        EXPECT_TRUE(text.back() != '\r' && text.back() != '\n') << "language " << language << " string 9";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Exes, StringTables, testing::ValuesIn(ExePaths()), ExeLabel);

}  // namespace
}  // namespace exe_check
