// The three questions the updater asks the simulated device: is it ready, which
// firmware does it run (behind the wait popup), how far has it got in writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/usb_wire.h"
#include "resources/language.h"
#include "resources/resources.h"
#include "support/sim_world.h"
#include "support/test_host.h"
#include "update/queries.h"
#include "update/transfer.h"

namespace {

using testing_support::Box;
using testing_support::BoxesOf;
using testing_support::HostEvent;

// Vendor requests that reached the driver so far, answered or not.
int Requests() {
  auto calls = sim::CurrentBus().Calls();
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const sim::Call& c) {
    return c.kind == sim::Call::Control && c.code == IOCTL_SEND_USB_REQUEST;
  }));
}

// The test host, also noting how many requests had gone out whenever a window
// was shown or destroyed.
class WatchingHost : public testing_support::TestHost {
 public:
  void Show(Window window, bool visible) override {
    requestsAtShow.push_back(Requests());
    TestHost::Show(window, visible);
  }
  void Destroy(Window window) override {
    requestsAtDestroy.push_back(Requests());
    TestHost::Destroy(window);
  }
  std::vector<int> requestsAtShow, requestsAtDestroy;
};

const char kUpdateError[] = "Master Controller Firmware Update Error";
const char kVersionUnknown[] = "The master controller firmware version could not be detected.";
const char kOverwriting[] = "Overwriting the master controller firmware...\nPlease wait.";

class Queries : public testing_support::SimWorld {
 protected:
  void SetUp() override {
    SimWorld::SetUp();
    res::SetCurrentLanguage(res::kEnglish);
  }
  void TearDown() override {
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
    SimWorld::TearDown();
  }
  // A fresh world and host with the given device, opened unless told otherwise,
  // and a window made from the template.
  void Begin(const sim::Scenario& scenario, int templateId, bool open = true) {
    Start(scenario);
    host = std::make_unique<WatchingHost>();
    SetHost(host.get());
    window = host->CreateModeless(templateId, kNoWindow, nullptr, 0);
    ASSERT_NE(window, kNoWindow);
    if (open) {
      ASSERT_EQ(OpenDevice(&link), 1);
    }
    Bus().ClearCalls();
    started = platform::MonotonicMs();
  }
  std::string TextOf(int control) {
    char text[res::kTextBufferSize];
    host->GetText(window, control, text, sizeof text);
    return text;
  }
  uint64_t Elapsed() { return platform::MonotonicMs() - started; }

  std::unique_ptr<WatchingHost> host;
  Window window = kNoWindow;
  uint64_t started = 0;
};

TEST_F(Queries, StatusReadsByteZeroAndAFailedRequestCountsAsReady) {
  struct Case {
    const char* what;
    bool present, open;
    int status;
    int result;
  };
  const Case cases[] = {
      {"ready", true, true, 0, 1},          {"status 1", true, true, 1, 0},
      {"status 255", true, true, 255, 0},   {"device absent", false, false, 0, 1},
      {"link never opened", true, false, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Scenario scenario;
    scenario.devicePresent = c.present;
    scenario.status = c.status;
    Begin(scenario, res::kConfirmPageTemplate, c.open);
    if (c.result == 0) host->Answer(kAnswerOk);
    EXPECT_EQ(CheckDeviceStatus(window, &link), c.result);
    EXPECT_EQ(Requests(), 1);
    std::vector<std::string> expected;
    if (c.result == 0) expected.push_back(Box(window, kBoxOk | kBoxIconError, kAnswerOk, kUpdateError));
    EXPECT_EQ(BoxesOf(host->Events()), expected);
    EXPECT_EQ(host->UnusedAnswers(), 0u);
  }
}

TEST_F(Queries, VersionIsTheSecondWordWithinTwentyCharactersAskedUpToThirtyTimes) {
  struct Case {
    const char* what;
    sim::Scenario scenario;
    bool closeLink;
    const char* device;  // control 1002 afterwards; null: the version was not found
    int requests;
    uint64_t elapsedMs;
  };
  auto with = [](auto change) {
    sim::Scenario s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"answered at once", {}, false, "V2.50a-3", 1, 0},
      {"small letters kept", with([](sim::Scenario& s) { s.version = "v2.50a-3"; }), false, "v2.50a-3", 1, 0},
      {"runs of blanks", with([](sim::Scenario& s) { s.reply = "  A   B"; }), false, "B", 1, 0},
      {"third word ignored", with([](sim::Scenario& s) { s.reply = "MZ5 V2.70A-3 X"; }), false, "V2.70A-3", 1, 0},
      {"busy 29 times", with([](sim::Scenario& s) { s.silent = 29; }), false, "V2.50a-3", 30, 29000},
      {"busy 30 times", with([](sim::Scenario& s) { s.silent = 30; }), false, nullptr, 30, 30000},
      {"one word", with([](sim::Scenario& s) { s.reply = "MZ5100P"; }), false, nullptr, 30, 30000},
      {"all zero", with([](sim::Scenario& s) { s.reply = ""; }), false, nullptr, 30, 30000},
      {"twenty characters without a blank", with([](sim::Scenario& s) { s.reply = "ABCDEFGHIJKLMNOPQRST"; }),
       false, nullptr, 30, 30000},
      {"version up to the twentieth character", with([](sim::Scenario& s) { s.reply = "MZ5100P V2.60A-3WXYZ"; }),
       false, "V2.60A-3WXYZ", 1, 0},
      // One word within the twenty characters; the byte after them is not read.
      {"blank in the twentieth place", with([](sim::Scenario& s) { s.reply = "ABCDEFGHIJKLMNOPQRS "; }), false,
       nullptr, 30, 30000},
      // A zero byte at reply offset 25 ends the text after "MZ5 ".
      {"zero byte ends the text", with([](sim::Scenario& s) { s.reply = std::string("MZ5 \0V2.60a", 11); }),
       false, nullptr, 30, 30000},
      {"device gone", {}, true, nullptr, 30, 30000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Begin(c.scenario, res::kConfirmPageTemplate);
    if (c.closeLink) CloseDevice(&link);
    bool found = c.device != nullptr;
    if (!found) host->Answer(kAnswerOk);

    EXPECT_EQ(ReadFirmwareVersion(window, &link), found ? 1 : 0);
    EXPECT_EQ(TextOf(res::kControlDeviceVersion), found ? c.device : "0.00");
    EXPECT_EQ(TextOf(res::kControlUpdateVersion), found ? "V2.60a-3" : "0.00");
    EXPECT_EQ(Requests(), c.requests);
    EXPECT_EQ(Elapsed(), c.elapsedMs);

    // The popup is shown before the first request and destroyed after the
    // last, before any message box.
    std::vector<HostEvent> events = host->Events();
    auto shown = std::find_if(events.begin(), events.end(), [](const HostEvent& e) {
      return e.kind == HostEvent::Shown && e.templateId == res::kVersionPopupTemplate;
    });
    ASSERT_NE(shown, events.end());
    auto destroyed = std::find_if(shown, events.end(), [&](const HostEvent& e) {
      return e.kind == HostEvent::Destroyed && e.window == shown->window;
    });
    ASSERT_NE(destroyed, events.end());
    EXPECT_EQ(host->requestsAtShow, std::vector<int>{0});
    EXPECT_EQ(host->requestsAtDestroy, std::vector<int>{c.requests});

    std::vector<std::string> expected;
    if (!found) expected.push_back(Box(window, kBoxOk | kBoxIconInformation, kAnswerOk, kVersionUnknown));
    EXPECT_EQ(BoxesOf(std::vector<HostEvent>(destroyed, events.end())), expected);
    EXPECT_EQ(BoxesOf(events), expected);
    EXPECT_EQ(host->UnusedAnswers(), 0u);
  }
}

// Delivers a small image, so that the device reports its writing progress.
void DeliverImage(DeviceLink* link) {
  const uint8_t image[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ImageHeader header = MakeImageHeader(sizeof image);
  ASSERT_EQ(WriteDevice(link, header.bytes.data(), kImageHeaderSize), 1);
  ASSERT_EQ(WriteDevice(link, image, sizeof image), 1);
}

std::vector<int> Repeated(int count, int reading = 0) { return std::vector<int>(count, reading); }

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> all;
  for (const std::vector<int>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(Queries, ProgressFollowsTheReadingsUntilOneHundredTheThirtyFirstZeroOrAStall) {
  struct Case {
    const char* what;
    std::vector<int> readings;
    bool closeLink;
    int result;
    std::vector<int> shown;  // the percentages shown, in order
    int requests;
    uint64_t elapsedMs;  // a second a reading, one more after the last of 100
  };
  const Case cases[] = {
      {"up and down", {0, 40, 0, 80, 100}, false, 1, {0, 40, 0, 80, 100}, 5, 6000},
      {"thirty zeros, then done", Join({Repeated(30), {100}}), false, 1, Join({Repeated(30), {100}}), 31, 32000},
      {"the thirty-first zero, not in a row", Join({Repeated(10), {50}, Repeated(21)}), false, 0,
       Join({Repeated(10), {50}, Repeated(20)}), 32, 32000},
      {"above one hundred", {150}, false, 1, {150}, 1, 2000},
      {"done at once", {100}, false, 1, {100}, 1, 2000},
      {"device gone", {100}, true, 0, Repeated(30), 31, 31000},
      // No change of reading for 300 polls: the device has stopped writing.
      {"stalled", {50}, false, 0, Repeated(300, 50), 301, 301000},
      {"stalled after falling back", Join({{60}, Repeated(301, 40)}), false, 0, Join({{60}, Repeated(300, 40)}), 302,
       302000},
      // Writing again from low down, each reading held a while, is progress.
      {"restarting lower", Join({{90}, Repeated(299, 1), Repeated(299, 2), {100}}), false, 1,
       Join({{90}, Repeated(299, 1), Repeated(299, 2), {100}}), 600, 601000},
      // Slow progress is never cut off.
      {"slow", Join({Repeated(300, 50), Repeated(300, 51), {100}}), false, 1,
       Join({Repeated(300, 50), Repeated(300, 51), {100}}), 601, 602000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Scenario scenario;
    scenario.progress = c.readings;
    Begin(scenario, res::kProgressDialogTemplate);
    DeliverImage(&link);
    if (c.closeLink) CloseDevice(&link);

    EXPECT_EQ(WaitForWriteProgress(window, &link), c.result);
    std::vector<HostEvent> events = host->Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), (HostEvent{HostEvent::Text, window, res::kControlHeading, kOverwriting, 0, 0,
                                         res::kProgressDialogTemplate}));
    std::vector<std::string> texts, expectedTexts;
    std::vector<int> bars, expectedBars;
    for (const HostEvent& e : events) {
      if (e.kind == HostEvent::Text && e.control == res::kControlPercent) texts.push_back(e.text);
      // The bar's range is 0 to 100; it shows a larger position as full.
      if (e.kind == HostEvent::Progress && e.control == res::kControlProgressBar)
        bars.push_back(std::clamp(static_cast<int>(e.value), 0, 100));
    }
    for (int percent : c.shown) {
      expectedTexts.push_back(std::to_string(percent) + " %");
      expectedBars.push_back(std::min(percent, 100));
    }
    EXPECT_EQ(texts, expectedTexts);
    EXPECT_EQ(bars, expectedBars);
    EXPECT_EQ(Requests(), c.requests);
    EXPECT_EQ(Elapsed(), c.elapsedMs);
    EXPECT_TRUE(host->Boxes().empty());
  }
}

}  // namespace
