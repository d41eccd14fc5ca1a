// The confirmation page, the wizard's second: the device's status, version and
// the decision on arrival, then the start warning and the update run behind
// Next, driven through the whole program with a scripted user on the simulated
// device and the virtual clock.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "device/protocol.h"
#include "device/sim/scenario.h"
#include "device/usb_wire.h"
#include "platform/clock.h"
#include "support/wizard_world.h"

namespace {

using testing_support::Button;
using testing_support::HostEvent;
using namespace testing_support::wizard_names;

constexpr const char* kOpenControl = "open \\\\.\\Usbscan0\\0";
constexpr const char* kOpenSecond = "open \\\\.\\Usbscan0\\1";

std::string AlreadyUpdated(const char* device) {
  return std::string("The master controller has already been updated.\n\nMaster Controller\n  [Version:") + device +
         "]\n\nUpdate Data\n  [Version:V2.60A-3]";
}

using Device = sim::Scenario;

// The shipped device with one thing changed.
template <class T>
Device With(T Device::*field, std::type_identity_t<T> value) {
  Device device;
  device.*field = std::move(value);
  return device;
}

class ConfirmPageScenario : public testing_support::WizardWorld {
 protected:
  // The last text set on a control of the windows made from a template.
  std::string LastText(int templateId, int control) const {
    std::string text = "(never set)";
    for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
      if (e.templateId == templateId && e.control == control) text = e.text;
    }
    return text;
  }
  size_t ShownCount(int templateId) const {
    size_t count = 0;
    for (const HostEvent& e : host.EventsOf(HostEvent::Shown)) count += e.templateId == templateId;
    return count;
  }
  // What the program did to the device before the first byte of an image: the
  // pipes it opened and the vendor requests it sent, in order.
  std::vector<std::string> BeforeTheImage() {
    std::vector<std::string> trace;
    for (const sim::Call& call : Bus().Calls()) {
      if (call.kind == sim::Call::Write) break;
      if (call.kind == sim::Call::Open) trace.push_back("open " + call.path);
      IoBlockEx block{};
      if (call.kind != sim::Call::Control || call.code != IOCTL_SEND_USB_REQUEST || call.input.size() < sizeof block)
        continue;
      std::memcpy(&block, call.input.data(), sizeof block);
      trace.push_back(block.bRequest == REQ_GET_STATUS    ? "status"
                      : block.bRequest == REQ_GET_VERSION ? "version"
                                                          : "request " + std::to_string(block.bRequest));
    }
    return trace;
  }
};

// Arrivals that end the wizard with a message: the page is never shown and the
// user is never asked on it.
struct Ending {
  const char* name;
  Device scenario;
  int textId;  // 0: the already-updated message with `device`
  const char* device;
  uint32_t flags;
  uint64_t shownAfterMs;  // virtual time from the start of the run to the message
  int32_t result;
};

void PrintTo(const Ending& row, std::ostream* os) { *os << row.name; }

class ArrivalEnds : public ConfirmPageScenario, public ::testing::WithParamInterface<Ending> {};

TEST_P(ArrivalEnds, WithOneMessageAndNoPrompt) {
  const Ending& row = GetParam();
  Start(row.scenario);
  uint64_t started = platform::MonotonicMs(), shownAt = 0;
  user.Press({Button::Next});
  host.Answer(kAnswerOk, [&] { shownAt = platform::MonotonicMs(); });
  Run();
  std::string text = row.textId ? Text(row.textId) : AlreadyUpdated(row.device);
  EXPECT_EQ(Boxes(), (Shown{{text, row.flags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kConfirm}));
  EXPECT_EQ(shownAt - started, row.shownAfterMs);
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}}));
  // The page's button set went out before the end.
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext, kBackNext}));
  EXPECT_EQ(ShownCount(kConfirm), 0u);
  EXPECT_EQ(Bus().WriteCount(), 0);
  EXPECT_EQ(host.Events().back().kind, HostEvent::Destroyed);
  EXPECT_EQ(state.resultCode, row.result);
}

INSTANTIATE_TEST_SUITE_P(
    Confirm, ArrivalEnds,
    ::testing::Values(
        Ending{"DeviceNotReady", With(&Device::status, 1), res::kTextUpdateError, "", kErrorFlags, 0, -1},
        Ending{"SilentForThirtyTries", With(&Device::silent, 30), res::kTextVersionUnknown, "", kInformationFlags,
               30'000, 0},
        Ending{"ReplyOfOneWord", With(&Device::reply, "MZ5100P"), res::kTextVersionUnknown, "", kInformationFlags,
               30'000, 0},
        Ending{"EmptyReply", With(&Device::reply, ""), res::kTextVersionUnknown, "", kInformationFlags, 30'000, 0},
        Ending{"AnotherDeviceType", With(&Device::version, "V2.50a-2"), res::kTextIncompatible, "", kErrorFlags, 0, -1},
        Ending{"NoTypeDigit", With(&Device::version, "V2.50a"), res::kTextIncompatible, "", kErrorFlags, 0, -1},
        Ending{"SameVersion", With(&Device::version, "V2.60a-3"), 0, "V2.60A-3", kInformationFlags, 0, 0},
        Ending{"SameVersionInSmallLetters", With(&Device::version, "v2.60a-3"), 0, "V2.60A-3", kInformationFlags, 0, 0},
        Ending{"NewerVersion", With(&Device::version, "V2.70a-3"), 0, "V2.70A-3", kInformationFlags, 0, 0}),
    [](const ::testing::TestParamInfo<Ending>& row) { return std::string(row.param.name); });

// Arrivals that show the page with both versions, Back and Next; the user then
// quits.
struct Offer {
  const char* name;
  Device scenario;
  UpdateState checks;
  const char* deviceVersion;
};

void PrintTo(const Offer& row, std::ostream* os) { *os << row.name; }

class ArrivalOffers : public ConfirmPageScenario, public ::testing::WithParamInterface<Offer> {};

TEST_P(ArrivalOffers, TheUpdateWithBothVersions) {
  const Offer& row = GetParam();
  Start(row.scenario);
  state = row.checks;
  user.Press({Button::Next, Button::Cancel});
  host.Answer(kAnswerYes);
  Run();
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kBackNext}}));
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext, kBackNext}));
  EXPECT_EQ(LastText(kConfirm, res::kControlDeviceVersion), row.deviceVersion);
  EXPECT_EQ(LastText(kConfirm, res::kControlUpdateVersion), "V2.60a-3");
  EXPECT_EQ(LastText(kConfirm, res::kControlHeading), Text(res::kTextConfirmHeading));
  EXPECT_EQ(LastText(kConfirm, res::kControlDeviceFrame), Text(res::kTextMasterController));
  EXPECT_EQ(LastText(kConfirm, res::kControlUpdateFrame), Text(res::kTextUpdateData));
  EXPECT_EQ(LastText(kConfirm, res::kControlDeviceLabel), Text(res::kTextVersionLabel));
  EXPECT_EQ(LastText(kConfirm, res::kControlUpdateLabel), Text(res::kTextVersionLabel));
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextQuitQuestion), kQuitFlags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kConfirm}));
  EXPECT_EQ(ShownCount(res::kVersionPopupTemplate), 1u);
  EXPECT_EQ(Bus().WriteCount(), 0);
  EXPECT_EQ(state.resultCode, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Confirm, ArrivalOffers,
    ::testing::Values(
        Offer{"OlderVersion", Device{}, {0, 1, 1}, "V2.50a-3"},
        Offer{"AnswerOnTheThirtiethTry", With(&Device::silent, 29), {0, 1, 1}, "V2.50a-3"},
        Offer{"SameVersionWithoutTheVersionCheck", With(&Device::version, "V2.60a-3"), {0, 0, 1}, "V2.60a-3"},
        Offer{"AnotherTypeWithoutTheCompatibilityCheck", With(&Device::version, "V2.50a-2"), {0, 1, 0}, "V2.50a-2"}),
    [](const ::testing::TestParamInfo<Offer>& row) { return std::string(row.param.name); });

TEST_F(ConfirmPageScenario, CancelAnsweredNoKeepsThePageAndNextStillUpdates) {
  user.Press({Button::Next, Button::Cancel, Button::Next, Button::Finish});
  host.Answer(kAnswerNo);
  host.Answer(kAnswerOk);  // the start warning
  Run();
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextQuitQuestion), kQuitFlags}, {Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(
      Prompts(),
      (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kBackNext}, {kConfirm, kBackNext}, {kResult, kButtonFinish}}));
  EXPECT_EQ(LastText(kConfirm, res::kControlDeviceVersion), "V2.50a-3");
  EXPECT_EQ(Bus().ControllerAt(0)->ImagesWritten(), 1);
  EXPECT_EQ(Bus().ControllerAt(0)->Version(), "V2.60a-3");
  EXPECT_EQ(state.resultCode, 0);
}

TEST_F(ConfirmPageScenario, ASinglePassThatSucceedsLeadsToTheResultPage) {
  user.Press({Button::Next, Button::Next, Button::Finish});
  host.Answer(kAnswerOk);
  Run();
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kConfirm}));
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kBackNext}, {kResult, kButtonFinish}}));
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext, kBackNext, kButtonFinish}));
  EXPECT_EQ(host.EventsOf(HostEvent::ModalEnded).at(0).value, 0);  // the progress dialog
  EXPECT_EQ(Bus().ControllerAt(0)->ImagesWritten(), 1);
  EXPECT_EQ(Bus().ControllerAt(0)->PowerCycles(), 1);
  EXPECT_EQ(state.resultCode, 0);
}

// Next on the page: the start warning, then the run; every way it stops short
// ends the wizard with -1 on the page it was started from.
struct Stop {
  const char* name;
  Device scenario;
  int startAnswer;
  std::vector<int> later;  // the messages after the start warning, all errors
  bool imageStarted;
};

void PrintTo(const Stop& row, std::ostream* os) { *os << row.name; }

class NextStops : public ConfirmPageScenario, public ::testing::WithParamInterface<Stop> {};

TEST_P(NextStops, TheWizardWithMinusOne) {
  const Stop& row = GetParam();
  Start(row.scenario);
  user.Press({Button::Next, Button::Next});
  host.Answer(row.startAnswer);
  for (size_t i = 0; i < row.later.size(); ++i) host.Answer(kAnswerOk);
  Run();
  Shown expected{{Text(res::kTextStartWarning), kStartFlags}};
  for (int id : row.later) expected.emplace_back(Text(id), kErrorFlags);
  EXPECT_EQ(Boxes(), expected);
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext}, {kConfirm, kBackNext}}));
  EXPECT_EQ(Bus().WriteCount() > 0, row.imageStarted);
  EXPECT_EQ(ShownCount(kResult), 0u);
  EXPECT_EQ(state.resultCode, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Confirm, NextStops,
    ::testing::Values(Stop{"StartWarningCancelled", Device{}, kAnswerCancel, {}, false},
                      Stop{"HeaderWriteFails", With(&Device::failWrite, 1), kAnswerOk, {res::kTextUpdateError}, true},
                      Stop{"ImageWriteFails", With(&Device::failWrite, 2), kAnswerOk, {res::kTextUpdateError}, true},
                      Stop{"DeviceNeverWrites", With(&Device::progress, {0}), kAnswerOk, {res::kTextUpdateError}, true},
                      Stop{"DeviceNeverSwitchedOff",
                           With(&Device::power, sim::Power::Never),
                           kAnswerOk,
                           {res::kTextUpdatedPowerCycle, res::kTextUpdatedPowerCycle, res::kTextUpdateError},
                           true}),
    [](const ::testing::TestParamInfo<Stop>& row) { return std::string(row.param.name); });

TEST_F(ConfirmPageScenario, ADeviceThatIsNoLongerReadyAtNextIsNotUpdated) {
  user.Press({Button::Next, Button::Next});
  // While the start warning is up, the device is replaced by one that is busy.
  host.Answer(kAnswerOk, [&] {
    Start(With(&Device::status, 1));
    ASSERT_EQ(ProbeHardwareIdList(&link), 1);
  });
  host.Answer(kAnswerOk);
  Run();
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}, {Text(res::kTextUpdateError), kErrorFlags}}));
  EXPECT_EQ(BoxOwners(), (std::vector<int>{kConfirm, kConfirm}));
  EXPECT_EQ(BeforeTheImage(), (std::vector<std::string>{kOpenControl, kOpenSecond, "status"}));
  EXPECT_EQ(Bus().WriteCount(), 0);
  EXPECT_TRUE(host.EventsOf(HostEvent::ModalEnded).empty());  // no progress dialog
  EXPECT_EQ(state.resultCode, -1);
}

TEST_F(ConfirmPageScenario, BackAndNextAgainAsksTheDeviceAgain) {
  user.Press({Button::Next, Button::Back, Button::Next, Button::Next, Button::Finish});
  host.Answer(kAnswerOk);
  Run();
  EXPECT_EQ(Prompts(), (Prompted{{kPrecautions, kButtonNext},
                                 {kConfirm, kBackNext},
                                 {kPrecautions, kButtonNext},
                                 {kConfirm, kBackNext},
                                 {kResult, kButtonFinish}}));
  EXPECT_EQ(ButtonSets(), (std::vector<intptr_t>{kButtonNext, kBackNext, kButtonNext, kBackNext, kButtonFinish}));
  // Each Next on the precautions page opens the device again, each arrival asks
  // for its status and version, and Next asks for the status once more.
  EXPECT_EQ(BeforeTheImage(), (std::vector<std::string>{kOpenControl, kOpenSecond, "status", "version", kOpenControl,
                                                        kOpenSecond, "status", "version", "status"}));
  EXPECT_EQ(ShownCount(res::kVersionPopupTemplate), 3u);  // two arrivals and the result page
  EXPECT_EQ(Boxes(), (Shown{{Text(res::kTextStartWarning), kStartFlags}}));
  EXPECT_EQ(Bus().ControllerAt(0)->ImagesWritten(), 1);
  EXPECT_EQ(state.resultCode, 0);
}

}  // namespace
