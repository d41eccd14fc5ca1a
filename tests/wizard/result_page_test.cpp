// The result page, the wizard's last: reached after an update that succeeded, it
// shows the version the device reports afterwards beside the update's, offers
// Finish alone, and ends the wizard with 0 however the user leaves it. Driven
// through the whole program with a scripted user on the simulated device.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "device/protocol.h"
#include "device/sim/scenario.h"
#include "device/usb_wire.h"
#include "support/wizard_world.h"

namespace {

using testing_support::Button;
using testing_support::HostEvent;
using namespace testing_support::wizard_names;


class ResultPageScenario : public testing_support::WizardWorld {
 protected:
  // Runs the wizard through a successful update to the result page, where the
  // user gives `onResultPage`.
  void RunToTheResultPage(std::initializer_list<std::optional<Button>> onResultPage) {
    user.Press({Button::Next, Button::Next});
    user.Press(onResultPage);
    host.Answer(kAnswerOk);  // the start warning
    Run();
  }
  // The texts set on the result page, by control, the last of each.
  std::string LastText(int control) const {
    std::string text = "(never set)";
    for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
      if (e.templateId == kResult && e.control == control) text = e.text;
    }
    return text;
  }
  size_t VersionRequests() {
    size_t count = 0;
    for (const sim::Call& call : Bus().Calls()) {
      IoBlockEx block{};
      if (call.kind != sim::Call::Control || call.code != IOCTL_SEND_USB_REQUEST || call.input.size() < sizeof block)
        continue;
      std::memcpy(&block, call.input.data(), sizeof block);
      count += block.bRequest == REQ_GET_VERSION;
    }
    return count;
  }
  // The prompts from the first one on the result page on.
  Prompted PromptsOnTheResultPage() const {
    Prompted all = Prompts(), last;
    for (const auto& prompt : all) {
      if (prompt.first == kResult || !last.empty()) last.push_back(prompt);
    }
    return last;
  }
};

TEST_F(ResultPageScenario, ShowsTheHeadingAndTheVersionsAfterTheUpdateWithFinishAlone) {
  RunToTheResultPage({Button::Finish});
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kBackNext}, {kResult, kButtonFinish}}));
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext, kBackNext, kButtonFinish}));
  EXPECT_EQ(LastText(res::kControlHeading), Text(res::kTextResultHeading));
  EXPECT_EQ(LastText(res::kControlDeviceFrame), Text(res::kTextMasterController));
  EXPECT_EQ(LastText(res::kControlUpdateFrame), Text(res::kTextUpdateData));
  EXPECT_EQ(LastText(res::kControlDeviceLabel), Text(res::kTextVersionLabel));
  EXPECT_EQ(LastText(res::kControlUpdateLabel), Text(res::kTextVersionLabel));
  EXPECT_EQ(LastText(res::kControlDeviceVersion), "V2.60a-3");
  EXPECT_EQ(LastText(res::kControlUpdateVersion), "V2.60a-3");
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(state.resultCode, 0);
}

// The device's version is the one it reports after its restart. One that sorts
// below the update's, as the decision compares, means the device did not take
// the update: the page says so and the run fails.
struct AfterRestart {
  const char* name;
  const char* version;
  int heading;
  int32_t resultCode;
};

void PrintTo(const AfterRestart& row, std::ostream* os) { *os << row.name; }

class VersionAfterTheRestart : public ResultPageScenario, public ::testing::WithParamInterface<AfterRestart> {};

TEST_P(VersionAfterTheRestart, IsShownAndDecidesTheOutcome) {
  const AfterRestart& row = GetParam();
  sim::Scenario scenario;
  scenario.versionAfter = row.version;
  Start(scenario);
  RunToTheResultPage({Button::Finish});
  EXPECT_EQ(LastText(res::kControlHeading), Text(row.heading));
  EXPECT_EQ(LastText(res::kControlDeviceVersion), row.version);
  EXPECT_EQ(LastText(res::kControlUpdateVersion), "V2.60a-3");
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(state.resultCode, row.resultCode);
}

INSTANTIATE_TEST_SUITE_P(
    Result, VersionAfterTheRestart,
    ::testing::Values(AfterRestart{"NewerThanSent", "V2.61b-3", res::kTextResultHeading, 0},
                      AfterRestart{"TheSentInOtherLetters", "v2.60A-3", res::kTextResultHeading, 0},
                      AfterRestart{"JustBelow", "V2.59z-3", res::kTextUpdateError, -1},
                      AfterRestart{"StillTheOldFirmware", "V2.50a-3", res::kTextUpdateError, -1}),
    [](const ::testing::TestParamInfo<AfterRestart>& row) { return std::string(row.param.name); });

TEST_F(ResultPageScenario, ADeviceThatGivesNoVersionAfterTheUpdateStillEndsWithZero) {
  sim::Scenario scenario;
  scenario.versionAfter = "";  // once restarted, the device answers with its model alone
  Start(scenario);
  user.Press({Button::Next, Button::Next, Button::Finish});
  host.Answer(kAnswerOk);  // the start warning
  host.Answer(kAnswerOk);  // the version-unknown message
  Run();
  EXPECT_EQ(Boxes(),
            (Shown{{Text(res::kTextStartWarning), kStartFlags}, {Text(res::kTextVersionUnknown), kInformationFlags}}));
  std::vector<HostEvent> boxes = host.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].templateId, kResult);
  // Once on arrival at the confirmation page, thirty times on the result page.
  EXPECT_EQ(VersionRequests(), 31u);
  // The page stays with its Finish button and the device's version unset.
  EXPECT_EQ(PromptsOnTheResultPage(), (Prompted{{kResult, kButtonFinish}}));
  EXPECT_EQ(LastText(res::kControlDeviceVersion), "(never set)");
  EXPECT_EQ(LastText(res::kControlHeading), Text(res::kTextResultHeading));
  EXPECT_EQ(state.resultCode, 0);
}

// However the user leaves the result page, the wizard ends at once with 0 and no
// question.
struct Leaving {
  const char* name;
  std::vector<std::optional<Button>> input;
  size_t prompts;  // prompts on the result page
};

void PrintTo(const Leaving& row, std::ostream* os) { *os << row.name; }

class LeavingTheResultPage : public ResultPageScenario, public ::testing::WithParamInterface<Leaving> {};

TEST_P(LeavingTheResultPage, EndsWithZeroAndNoQuestion) {
  const Leaving& row = GetParam();
  user.Press({Button::Next, Button::Next});
  for (const std::optional<Button>& button : row.input) user.Press({button});
  host.Answer(kAnswerOk);  // the start warning
  Run();
  EXPECT_EQ(PromptsOnTheResultPage(), Prompted(row.prompts, {kResult, kButtonFinish}));
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(host.Events().back().kind, HostEvent::Destroyed);
  EXPECT_EQ(state.resultCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Result, LeavingTheResultPage,
                         ::testing::Values(Leaving{"Finish", {Button::Finish}, 1},
                                           Leaving{"Cancel", {Button::Cancel}, 1},
                                           Leaving{"EndOfInput", {std::nullopt}, 1},
                                           // Back is not offered: pressing it changes nothing.
                                           Leaving{"BackThenFinish", {Button::Back, Button::Finish}, 2},
                                           Leaving{"NextThenFinish", {Button::Next, Button::Finish}, 2}),
                         [](const ::testing::TestParamInfo<Leaving>& row) { return std::string(row.param.name); });

}  // namespace
