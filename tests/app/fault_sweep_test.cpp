// A fault at every call the program makes through the driver. The whole program
// runs once for each call of a successful run, with that one call failing, and
// once more with the device leaving the bus at that call. No run may hang past
// the program's bounds, report a failure as success, or leave a handle open.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "app/program.h"
#include "device/sim/registry.h"
#include "support/runtime_dir.h"
#include "support/wizard_world.h"
#include "wizard/wizard_host.h"

namespace {

using testing_support::Button;
using testing_support::HostEvent;
using namespace testing_support::wizard_names;

// The longest a run may take: two version reads of 30 tries, a write poll cut off
// after 300 polls without progress, three watch periods of 180 polls, with a
// minute to spare for the probe, the transfer and the sleeps around them.
constexpr uint64_t kLongestRunMs = (2 * 30 + 301 + 3 * 180 + 60) * 1000;

struct Sweep {
  const char* name;
  bool printerClass;  // the printer-class driver, the device found through the registry
  bool leave;         // the device leaves the bus at the call, rather than that call failing
};

void PrintTo(const Sweep& row, std::ostream* os) { *os << row.name; }

// How a run ended, as the user saw it.
struct Ending {
  int code = 0;
  std::string resultHeading;  // the result page's heading, empty when never reached
  std::string lastBox;
  int lastBoxOwner = 0;       // the template of the window that owned it
  std::string firstBox;
  bool found = true;  // false: the registry search before the wizard found nothing
};

class FaultAtEveryCall : public testing_support::SimWorld, public ::testing::WithParamInterface<Sweep> {
 protected:
  void SetUp() override {
    SimWorld::SetUp();
    res::SetCurrentLanguage(res::kEnglish);
  }
  void TearDown() override {
    res::SetCurrentLanguage(0);
    SimWorld::TearDown();
  }

  static std::string Text(int id) {
    char text[res::kTextBufferSize];
    res::LoadText(id, text, sizeof text);
    return text;
  }

  // The whole program on a fresh world, the user pressing Next until the result
  // page and Finish there, and quitting when the first page refuses Next.
  Ending RunOnce(int failCall, int leaveCall) {
    platform::UseVirtualClock(1'000'000);
    sim::Scenario scenario;
    scenario.printerPresent = GetParam().printerClass;
    scenario.failCall = failCall;
    scenario.leaveCall = leaveCall;
    Start(scenario);
    Bus().KeepCallLog(false);
    if (GetParam().printerClass) {
      link.transport = 0;
      link.deviceId[0] = '\0';
      link.secondPipe = -1;
    }
    testing_support::TestHost host;
    host.AnswerAffirmatively();
    testing_support::ScriptedUser user{host};
    int precautionPrompts = 0, prompts = 0;
    user.Otherwise([&](int page, intptr_t) -> std::optional<Button> {
      if (++prompts > 10) return std::nullopt;
      if (page == kResult) return Button::Finish;
      if (page == kPrecautions && ++precautionPrompts > 1) return Button::Cancel;
      return Button::Next;
    });
    PosixWizard wizard{host, user};
    SetHost(&host);
    SetWizardHost(&wizard);
    char commandLine[] = "";
    uint64_t started = platform::MonotonicMs();
    Ending ending;
    ending.code = GetParam().printerClass ? RunFromTheRegistry(ending) : RunUpdater(link, commandLine);
    elapsed = platform::MonotonicMs() - started;
    SetWizardHost(nullptr);
    SetHost(nullptr);
    for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
      if (e.templateId == kResult && e.control == res::kControlHeading) ending.resultHeading = e.text;
    }
    std::vector<HostEvent> boxes = host.Boxes();
    if (!boxes.empty()) {
      ending.firstBox = boxes.front().text;
      ending.lastBox = boxes.back().text;
      ending.lastBoxOwner = boxes.back().templateId;
    }
    return ending;
  }

  // The printer-class driver is not reached through the first page, whose probe
  // settles the record on the compiled still-image ID. Here the device is found
  // through the registry instead of the probe; then the confirmation and result
  // pages run as in the program, and the record is closed as the entry point
  // closes it.
  int RunFromTheRegistry(Ending& ending) {
    UpdateState state{0, 1, 1};
    gUpdateState = &state;
    gDeviceLink = &link;
    ending.found = OpenDevice(&link) == 1;
    if (ending.found) {
      WizardPage pages[] = {CreateWizardPage(kConfirm, ConfirmPage), CreateWizardPage(kResult, ResultPage)};
      if (RunWizardSheet(kNoWindow, pages, 2) == WizardEnd::Abandoned) state.resultCode = -1;
    } else {
      state.resultCode = -1;
    }
    CloseDevice(&link);
    gUpdateState = nullptr;
    gDeviceLink = nullptr;
    return state.resultCode;
  }

  // What every run must keep to, whatever the fault.
  void Check(const Ending& e, const std::string& run) {
    SCOPED_TRACE(run);
    EXPECT_LE(elapsed, kLongestRunMs);
    EXPECT_EQ(Bus().OpenHandles(), 0);
    EXPECT_EQ(Bus().BadCloses(), 0);
    EXPECT_EQ(Bus().PrinterSets().openSets, 0);
    EXPECT_EQ(sim::CurrentRegistry().OpenKeys(), 0);
    sim::Controller* device = Bus().DeviceController();
    bool nothingSent = Bus().WriteCount() == 0;
    if (e.resultHeading == Text(res::kTextResultHeading)) {
      // Success only for a controller that took the whole image, wrote it and
      // was switched off and on.
      EXPECT_EQ(e.code, 0);
      EXPECT_EQ(device->ImagesWritten(), 1);
      EXPECT_EQ(device->PowerCycles(), 1);
      EXPECT_EQ(device->Version(), "V2.60a-3");
    } else if (!e.resultHeading.empty()) {
      // Taken for back when one open failed, the device still runs the
      // firmware it had: the result page says the update failed.
      EXPECT_EQ(e.resultHeading, Text(res::kTextUpdateError));
      EXPECT_EQ(e.code, -1);
      EXPECT_EQ(device->PowerCycles(), 0);
    } else if (e.lastBox == Text(res::kTextVersionUnknown)) {
      EXPECT_EQ(e.lastBoxOwner, kConfirm);
      EXPECT_EQ(e.code, 0);
      EXPECT_TRUE(nothingSent);
    } else if (!e.found || e.lastBox == Text(res::kTextQuitQuestion)) {
      if (e.found) {
        EXPECT_EQ(e.firstBox, Text(res::kTextConnectionError));
      }
      EXPECT_EQ(e.code, -1);
      EXPECT_TRUE(nothingSent);
    } else {
      EXPECT_EQ(e.lastBox, Text(res::kTextUpdateError));
      EXPECT_EQ(e.lastBoxOwner, kConfirm);
      EXPECT_EQ(e.firstBox, Text(res::kTextStartWarning));
      EXPECT_EQ(e.code, -1);
    }
  }

  uint64_t elapsed = 0;
};

TEST_P(FaultAtEveryCall, EndsWithinItsBoundsAsSuccessOnlyWhenTheDeviceWasUpdated) {
  testing_support::PrivateRuntimeDir dir;
  Ending clean = RunOnce(0, 0);
  ASSERT_EQ(clean.resultHeading, Text(res::kTextResultHeading));
  int calls = Bus().DriverCalls();
  uint64_t longest = 0;
  for (int n = 1; n <= calls; ++n) {
    std::string run = std::string(GetParam().leave ? "leaving at call " : "failing call ") + std::to_string(n);
    Ending ending = GetParam().leave ? RunOnce(0, n) : RunOnce(n, 0);
    Check(ending, run);
    longest = std::max(longest, elapsed);
    if (HasFailure()) break;  // one broken run says enough
  }
  std::printf("[ sweep    ] %s: %d calls in a successful run; longest run %llu s of virtual time\n",
              GetParam().name, calls, static_cast<unsigned long long>(longest / 1000));
}

INSTANTIATE_TEST_SUITE_P(Program, FaultAtEveryCall,
                         ::testing::Values(Sweep{"StillImageCallFails", false, false},
                                           Sweep{"StillImageDeviceLeaves", false, true},
                                           Sweep{"PrinterClassCallFails", true, false},
                                           Sweep{"PrinterClassDeviceLeaves", true, true}),
                         [](const ::testing::TestParamInfo<Sweep>& row) { return std::string(row.param.name); });

}  // namespace
