// Whether an update may run, and in which form: the device's version against the
// update's under the version and compatibility checks, with the refusals' messages.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "resources/language.h"
#include "resources/resources.h"
#include "support/test_host.h"
#include "update/decision.h"
#include "update/update_state.h"

namespace {

using testing_support::Box;
using testing_support::BoxesOf;
using testing_support::HostEvent;

const char kIncompatible[] =
    "This updater is not compatible with the connected device.\n"
    "Check compatibility between the connected device type and the updater compatible type(s).";

std::string AlreadyUpdated(const std::string& device, const std::string& update) {
  return "The master controller has already been updated.\n\nMaster Controller\n  [Version:" + device +
         "]\n\nUpdate Data\n  [Version:" + update + "]";
}

class Decision : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetCurrentLanguage(res::kEnglish);
    saved = gUpdateState;
    gUpdateState = &state;
  }
  void TearDown() override {
    gUpdateState = saved;
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
  }
  // A fresh host with the confirmation page showing the two versions.
  void ShowPage(const char* device, const char* update) {
    host = std::make_unique<testing_support::TestHost>();
    SetHost(host.get());
    page = host->CreateModeless(res::kConfirmPageTemplate, kNoWindow, nullptr, 0);
    ASSERT_NE(page, kNoWindow);
    host->SetText(page, res::kControlDeviceVersion, device);
    host->SetText(page, res::kControlUpdateVersion, update);
  }
  std::string TextOf(int control) {
    char text[128];
    host->GetText(page, control, text, sizeof text);
    return text;
  }

  UpdateState state{0, 1, 1};
  UpdateState* saved = nullptr;
  std::unique_ptr<testing_support::TestHost> host;
  Window page = kNoWindow;
};

TEST_F(Decision, ComparesTheUpperCasedVersionsUnderTheChecksThatAreOn) {
  struct Case {
    std::string update, device;
    int versionCheck, compatibilityCheck;
    UpdateDecision result;
  };
  std::vector<Case> cases = {
      {"V2.60a-3", "V2.50A-3", 1, 1, kUpdateSinglePass},
      {"V2.60a-3", "v2.50a-3", 1, 1, kUpdateSinglePass},
      {"V2.60a-3", "V2.60A-3", 1, 1, kUpdateAlreadyCurrent},
      {"V2.60a-3", "v2.60a-3", 1, 1, kUpdateAlreadyCurrent},
      {"V2.60a-3", "V2.70A-3", 1, 1, kUpdateAlreadyCurrent},
      {"V2.60a-3", "V2.50A-2", 1, 1, kUpdateIncompatible},
      {"V2.60a-3", "V2.50A", 1, 1, kUpdateIncompatible},
      {"V2.60a-3", "V2.60A-3", 0, 1, kUpdateSinglePass},   // /R
      {"V2.60a-3", "V2.50A-2", 0, 1, kUpdateIncompatible},  // /R
      {"V2.60a-3", "V2.50A-2", 0, 0, kUpdateSinglePass},   // /C
      {"V2.60a-3", "V2.70A-2", 1, 0, kUpdateAlreadyCurrent},
      {"V2.60a-3", "V1.90A-3", 1, 1, kUpdateSinglePass},  // three stages only for type 2
      {"V2.60a-2", "V1.90A-2", 1, 1, kUpdateThreeStage},
      {"V2.60a-2", "v1.90a-2", 1, 1, kUpdateThreeStage},
      {"V2.60a-2", "V1.90A-2", 0, 1, kUpdateThreeStage},
      {"V2.60a-2", "V2.00", 1, 1, kUpdateIncompatible},
      {"V2.60a-2", "V2.00A-2", 1, 1, kUpdateSinglePass},  // above "V2.00", which it begins with
      {"V1.80a-2", "V1.90A-2", 1, 1, kUpdateAlreadyCurrent},
  };
  // Every pair of compatibility digits, and a version without one (read as 0).
  for (std::string update : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) {
    for (std::string device : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A"}) {
      bool same = update == device || (update == "0" && device == "A");
      cases.push_back({"V2.60a-" + update, "V2.50A-" + device, 1, 1, same ? kUpdateSinglePass : kUpdateIncompatible});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE("update " + c.update + ", device " + c.device + ", checks " +
                 std::to_string(c.versionCheck) + std::to_string(c.compatibilityCheck));
    state = {0, c.versionCheck, c.compatibilityCheck};
    ShowPage(c.device.c_str(), c.update.c_str());
    std::vector<std::string> expected;
    auto upper = [](std::string text) {
      for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      return text;
    };
    if (c.result == kUpdateIncompatible) {
      expected.push_back(Box(page, kBoxOk | kBoxIconError, kAnswerOk, kIncompatible));
    } else if (c.result == kUpdateAlreadyCurrent) {
      expected.push_back(
          Box(page, kBoxOk | kBoxIconInformation, kAnswerOk, AlreadyUpdated(upper(c.device), upper(c.update))));
    }
    if (!expected.empty()) host->Answer(kAnswerOk);

    EXPECT_EQ(DecideUpdate(page), c.result);
    EXPECT_EQ(BoxesOf(host->Events()), expected);
    EXPECT_EQ(host->UnusedAnswers(), 0u);
    EXPECT_EQ(TextOf(res::kControlDeviceVersion), c.device);
    EXPECT_EQ(TextOf(res::kControlUpdateVersion), c.update);
  }
}

TEST_F(Decision, TheAlreadyUpdatedMessageIsBuiltFromTheTextsOfTheUsersLanguage) {
  res::SetCurrentLanguage(1031);
  ShowPage("V2.60A-3", "V2.60a-3");
  host->Answer(kAnswerOk);
  EXPECT_EQ(DecideUpdate(page), kUpdateAlreadyCurrent);

  std::vector<std::string> german;
  for (int id : {18, 31, 23, 22}) {
    const char* text = res::TextIn(1031, id);
    ASSERT_NE(text, nullptr) << id;
    german.push_back(text);
  }
  std::string message = german[0] + "\n\n" + german[1] + "\n  [" + german[2] + "V2.60A-3]\n\n" + german[3] +
                        "\n  [" + german[2] + "V2.60A-3]";
  EXPECT_NE(message, AlreadyUpdated("V2.60A-3", "V2.60A-3"));
  EXPECT_EQ(BoxesOf(host->Events()),
            std::vector<std::string>{Box(page, kBoxOk | kBoxIconInformation, kAnswerOk, message)});
}

}  // namespace
