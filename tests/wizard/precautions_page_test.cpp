// The precautions page, the wizard's first: what it shows, the quit question it
// asks, and the search for the device behind its Next button, driven through the
// whole program with a scripted user on the simulated device.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "device/sim/scenario.h"
#include "support/wizard_world.h"

namespace {

using testing_support::Button;
using testing_support::HostEvent;
using namespace testing_support::wizard_names;

constexpr uint32_t kConnectionFlags = kBoxOk | kBoxIconError;  // 0x10
constexpr size_t kPortsSearched = 15;

class PrecautionsPageScenario : public testing_support::WizardWorld {
 protected:
  // The texts set on the windows made from a template, as (control, text).
  std::vector<std::pair<int, std::string>> TextsOn(int templateId) const {
    std::vector<std::pair<int, std::string>> texts;
    for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
      if (e.templateId == templateId) texts.emplace_back(e.control, e.text);
    }
    return texts;
  }
  bool AnyEventOn(int templateId) const {
    for (const HostEvent& e : host.Events()) {
      if (e.templateId == templateId) return true;
    }
    return false;
  }
  size_t PortOpens() { return CallsOf(sim::Call::Open).size(); }
};

TEST_F(PrecautionsPageScenario, OpensWithTheHeadingTheListAndNextAlone) {
  user.Press({std::nullopt});
  Run();
  std::string list;
  for (int id = 2; id <= 9; ++id) list += Text(id);
  EXPECT_EQ(TextsOn(kPrecautions),
            (std::vector<std::pair<int, std::string>>{{res::kControlPrecautions, list},
                                                      {res::kControlHeading, Text(res::kTextPrecautionsHeading)}}));
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext}));
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}}));
  // The list is the eight precautions one after the other, line breaks included.
  EXPECT_EQ(list.rfind("(1) This updater is exclusive to certain devices.", 0), 0u);
  EXPECT_NE(list.find("your device.\r\n(2) Disconnect"), std::string::npos);
  EXPECT_TRUE(list.ends_with("restart the device, then try again."));
}

TEST_F(PrecautionsPageScenario, TheWizardWindowIsCentredOnTheScreen) {
  host.SetScreenSize({1001, 777});
  Window wizardWindow = kNoWindow;
  Rect placed{};
  user.Press({Button::Cancel, std::nullopt});
  // While the quit question is up, the wizard window is looked at.
  host.Answer(kAnswerNo, [&] {
    Window page = host.EventsOf(HostEvent::Prompt).back().window;
    wizardWindow = host.Parent(page);
    placed = host.WindowRect(wizardWindow);
  });
  Run();
  ASSERT_NE(wizardWindow, kNoWindow);
  std::vector<HostEvent> moves = host.EventsOf(HostEvent::Moved);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].window, wizardWindow);
  EXPECT_EQ(host.EventsOf(HostEvent::Buttons).front().window, wizardWindow);
  int32_t width = placed.right - placed.left, height = placed.bottom - placed.top;
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
  EXPECT_EQ(placed.left, (1001 - width) / 2);
  EXPECT_EQ(placed.top, (777 - height) / 2);
}

TEST_F(PrecautionsPageScenario, InputEndingOnThePageQuitsWithMinusOneWithoutAQuestion) {
  user.Press({std::nullopt});
  Run();
  EXPECT_EQ(state.resultCode, -1);
  EXPECT_TRUE(host.Boxes().empty());
  EXPECT_TRUE(Bus().Calls().empty());  // the device is not looked for
}

TEST_F(PrecautionsPageScenario, CancelAsksWhetherToQuitAndNoKeepsThePage) {
  int resultWhileAskedAgain = 99;
  user.Press({Button::Cancel, Button::Cancel});
  host.Answer(kAnswerNo);
  host.Answer(kAnswerYes, [&] { resultWhileAskedAgain = state.resultCode; });
  Run();
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextQuitQuestion), kQuitFlags}, {Text(res::kTextQuitQuestion), kQuitFlags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kPrecautions, kPrecautions}));
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kPrecautions, kButtonNext}}));
  EXPECT_EQ(resultWhileAskedAgain, 0);
  EXPECT_EQ(state.resultCode, -1);
  EXPECT_TRUE(Bus().Calls().empty());
  EXPECT_EQ(host.Events().back().kind, HostEvent::Destroyed);
}

// Each Next searches the fifteen still-image ports again; while the device is not
// found the page shows the connection error and stays.
struct Missing {
  const char* name;
  sim::Scenario scenario;
};

void PrintTo(const Missing& row, std::ostream* os) { *os << row.name; }

sim::Scenario Absent() {
  sim::Scenario s;
  s.devicePresent = false;
  return s;
}

sim::Scenario OnPort(int port) {
  sim::Scenario s;
  s.port = port;
  return s;
}

sim::Scenario OnlyAForeignScanner() {
  sim::Scenario s = Absent();
  s.foreign = {0};
  return s;
}

class DeviceNotFound : public PrecautionsPageScenario, public ::testing::WithParamInterface<Missing> {};

TEST_P(DeviceNotFound, NextShowsTheConnectionErrorAndStaysEachTime) {
  Start(GetParam().scenario);
  size_t opensAtFirstError = 0, opensAtSecondError = 0;
  user.Press({Button::Next, Button::Next, Button::Cancel});
  host.Answer(kAnswerOk, [&] { opensAtFirstError = PortOpens(); });
  host.Answer(kAnswerOk, [&] { opensAtSecondError = PortOpens(); });
  host.Answer(kAnswerYes);
  Run();
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextConnectionError), kConnectionFlags},
                            {Text(res::kTextConnectionError), kConnectionFlags},
                            {Text(res::kTextQuitQuestion), kQuitFlags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kPrecautions, kPrecautions, kPrecautions}));
  EXPECT_EQ(Prompts(),
            (Prompted{{kPrecautions, kButtonNext}, {kPrecautions, kButtonNext}, {kPrecautions, kButtonNext}}));
  EXPECT_EQ(opensAtFirstError, kPortsSearched);
  EXPECT_EQ(opensAtSecondError, 2 * kPortsSearched);
  std::vector<std::string> paths = OpenedPaths();
  ASSERT_EQ(paths.size(), 2 * kPortsSearched);
  EXPECT_EQ(paths[0], "\\\\.\\Usbscan0\\0");
  EXPECT_EQ(paths[kPortsSearched - 1], "\\\\.\\Usbscan14\\0");
  EXPECT_EQ(paths[kPortsSearched], "\\\\.\\Usbscan0\\0");
  EXPECT_EQ(Bus().OpenHandles(), 0);  // nothing is left open for a device that is not ours
  EXPECT_FALSE(AnyEventOn(kConfirm));
  EXPECT_EQ(state.resultCode, -1);
}

INSTANTIATE_TEST_SUITE_P(Precautions, DeviceNotFound,
                         ::testing::Values(Missing{"NoDevice", Absent()},
                                           Missing{"DeviceBeyondTheFifteenthPort", OnPort(15)},
                                           Missing{"OnlyAnotherMakersScanner", OnlyAForeignScanner()}),
                         [](const ::testing::TestParamInfo<Missing>& row) { return std::string(row.param.name); });

TEST_F(PrecautionsPageScenario, NextWithTheDeviceOnTheLastPortSearchedMovesOn) {
  Start(OnPort(14));
  user.Press({Button::Next, Button::Cancel});
  host.Answer(kAnswerYes);
  Run();
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kButtonBack | kButtonNext}}));
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextQuitQuestion), kQuitFlags}}));
  EXPECT_EQ(OpenedPaths().at(14), "\\\\.\\Usbscan14\\0");
  EXPECT_EQ(state.resultCode, -1);
}

}  // namespace
