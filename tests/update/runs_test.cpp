// Whole update runs: the progress dialog, its worker, the simulated device
// writing the image and the user switching it off and on, on the virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/language.h"
#include "resources/resources.h"
#include "support/hosted_world.h"
#include "update/runs.h"
#include "update/transfer.h"
#include "update/update_state.h"

namespace {

using testing_support::HostEvent;

std::vector<uint8_t> gBoot(70000, 0xB0), gTemp(1000, 0x7E);

std::span<const uint8_t> ThreeImages(int stage) {
  if (stage == 0) return gBoot;
  if (stage == 1) return gTemp;
  return res::FirmwareImage(stage);
}

// The digests a build embedding the three images records.
const platform::Sha256Digest* ThreeDigests(int stage) {
  static platform::Sha256Digest digests[3];
  return platform::Sha256(ThreeImages(stage), digests[stage]) ? &digests[stage] : nullptr;
}

// The three images as a damaged program file carries them: one byte of one
// stage's image changed.
int gDamagedStage = -1;
std::span<const uint8_t> DamagedImages(int stage) {
  static std::vector<uint8_t> copy;
  std::span<const uint8_t> image = ThreeImages(stage);
  if (stage != gDamagedStage) return image;
  copy.assign(image.begin(), image.end());
  copy[copy.size() * 2 / 3] ^= 0x10;
  return copy;
}

void UseThreeImages(ImageSource images = ThreeImages) {
  gImageSource = images;
  gImageDigestSource = ThreeDigests;
}

std::string Text(int id) {
  char text[res::kTextBufferSize];
  res::LoadText(id, text, sizeof text);
  return text;
}

class UpdateRun : public testing_support::HostedWorld {
 protected:
  void TearDown() override {
    gImageSource = res::FirmwareImage;
    gImageDigestSource = res::RecordedImageDigest;
    HostedWorld::TearDown();
  }
  // Opens the device as the wizard leaves it, then runs the progress dialog.
  intptr_t Run(const sim::Scenario& scenario, DialogProc proc = SinglePassDialogProc) {
    Start(scenario);
    gDeviceLink = &link;
    EXPECT_EQ(ProbeHardwareIdList(&link), 1);
    started = platform::MonotonicMs();
    return host.RunModal(res::kProgressDialogTemplate, page, proc, 0);
  }
  std::vector<std::string> StatusTexts() {
    std::vector<std::string> texts;
    for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
      if (e.control == res::kControlHeading) texts.push_back(e.text);
    }
    return texts;
  }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const HostEvent& e : host.Boxes()) texts.push_back(e.text);
    return texts;
  }
  uint64_t Elapsed() { return platform::MonotonicMs() - started; }

  uint64_t started = 0;
};

TEST_F(UpdateRun, SinglePassThatSucceedsWithTheDeviceBackInTheFirstPeriod) {
  EXPECT_EQ(Run(sim::Scenario{}), 0);
  EXPECT_EQ(StatusTexts(), (std::vector<std::string>{Text(25), Text(27), Text(26)}));
  EXPECT_TRUE(host.Boxes().empty());
  sim::Controller* device = Bus().ControllerAt(0);
  EXPECT_EQ(device->PowerCycles(), 1);
  EXPECT_EQ(device->Version(), "V2.60a-3");
  EXPECT_NE(controlHandle, driver::kInvalidHandle);  // open on the device that came back
  EXPECT_EQ(host.EventsOf(HostEvent::ModalEnded).size(), 1u);
  // The dialog was centred over the page and is gone.
  EXPECT_EQ(host.EventsOf(HostEvent::Moved).size(), 1u);
  EXPECT_EQ(host.Events().back().kind, HostEvent::Destroyed);
}

TEST_F(UpdateRun, TheProgressTextsFollowTheTransferAndThenTheWriting) {
  ASSERT_EQ(Run(sim::Scenario{}), 0);
  std::vector<std::string> percentages;
  for (const HostEvent& e : host.EventsOf(HostEvent::Text)) {
    if (e.control == res::kControlPercent) percentages.push_back(e.text);
  }
  std::vector<std::string> expected;
  for (int p : {4, 9, 14, 18, 23, 28, 32, 37, 42, 46, 51, 56, 60, 65, 70, 74, 79, 84, 88, 93, 98, 100})
    expected.push_back(std::to_string(p) + " %");
  for (int p : {0, 20, 40, 60, 80, 100}) expected.push_back(std::to_string(p) + " %");
  EXPECT_EQ(percentages, expected);
}

TEST_F(UpdateRun, ADeviceNeverSwitchedOffGetsTwoRemindersWhenTheUserIsQuick) {
  sim::Scenario scenario;
  scenario.power = sim::Power::Never;
  host.Answer(kAnswerOk);
  host.Answer(kAnswerOk);
  EXPECT_EQ(Run(scenario), -1);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Text(26), Text(26)}));
  for (const HostEvent& box : host.Boxes()) EXPECT_EQ(box.flags, kBoxOk | kBoxIconError);
  // Three watch periods of 180 polls, a second each.
  EXPECT_GE(Elapsed(), 3u * 180 * 1000);
}

TEST_F(UpdateRun, OneReminderWhenTheUserTakesLongToCloseIt) {
  sim::Scenario scenario;
  scenario.power = sim::Power::Off;  // switched off and never on again
  host.Answer(kAnswerOk, [] { platform::AdvanceVirtualClock(130'000); });
  EXPECT_EQ(Run(scenario), -1);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Text(26)}));
}

TEST_F(UpdateRun, TheLimitCountsFromTheEndOfTheFirstPeriod) {
  sim::Scenario scenario;
  scenario.power = sim::Power::Off;
  // 120 s of reading: the second period ends exactly 300 s after the first.
  host.Answer(kAnswerOk, [] { platform::AdvanceVirtualClock(120'000); });
  host.Answer(kAnswerOk);
  EXPECT_EQ(Run(scenario), -1);
  EXPECT_EQ(host.Boxes().size(), 2u);
}

TEST_F(UpdateRun, FailuresEndTheDialogWithMinusOneAndNoMessage) {
  struct Case {
    const char* what;
    sim::Scenario scenario;
    std::vector<std::string> statuses;
    int damagedStage = -1;  // a changed byte in this stage's image: nothing reaches the device
    DialogProc proc = SinglePassDialogProc;
  };
  sim::Scenario failingWrite, neverWritten;
  failingWrite.failWrite = 3;
  neverWritten.progress = {0};
  const Case cases[] = {
      {"a failing write", failingWrite, {Text(25)}},
      {"31 readings of 0", neverWritten, {Text(25), Text(27)}},
      {"a damaged main image", {}, {Text(25)}, 2},
      {"three stages, a damaged boot image", {}, {Text(25)}, 0, ThreeStageDialogProc},
      {"three stages, a damaged intermediate image", {}, {Text(25)}, 1, ThreeStageDialogProc},
      {"three stages, a damaged main image", {}, {Text(25)}, 2, ThreeStageDialogProc},
  };
  for (const Case& c : cases) {
    testing_support::TestHost fresh;
    SetHost(&fresh);
    Start(c.scenario);
    gDeviceLink = &link;
    gDamagedStage = c.damagedStage;
    UseThreeImages(DamagedImages);
    ASSERT_EQ(ProbeHardwareIdList(&link), 1);
    int callsBefore = Bus().DriverCalls();
    Window owner = fresh.AddWindow(kNoWindow, nullptr, {0, 0, 600, 400}, kDeviceTitle);
    EXPECT_EQ(fresh.RunModal(res::kProgressDialogTemplate, owner, c.proc, 0), -1) << c.what;
    if (c.damagedStage >= 0) { EXPECT_EQ(Bus().DriverCalls(), callsBefore) << c.what; }
    std::vector<std::string> statuses;
    for (const HostEvent& e : fresh.EventsOf(HostEvent::Text)) {
      if (e.control == res::kControlHeading) statuses.push_back(e.text);
    }
    EXPECT_EQ(statuses, c.statuses) << c.what;
    EXPECT_TRUE(fresh.Boxes().empty()) << c.what;
    SetHost(&host);
  }
}

TEST_F(UpdateRun, EscapeDuringTheRunDoesNotEndIt) {
  sim::Scenario scenario;
  scenario.power = sim::Power::Never;
  Window dialog = kNoWindow;
  // While the first reminder is up the user presses Escape on the dialog.
  host.Answer(kAnswerOk, [&] {
    for (const HostEvent& e : host.EventsOf(HostEvent::Shown)) dialog = e.window;
    host.Post(dialog, kMsgCommand, kCommandCancel, 0);
  });
  host.Answer(kAnswerOk);
  EXPECT_EQ(Run(scenario), -1);
  auto ended = host.EventsOf(HostEvent::ModalEnded);
  ASSERT_EQ(ended.size(), 1u);  // only the worker ended it, with its own result
  EXPECT_EQ(ended[0].value, -1);
  EXPECT_EQ(host.Boxes().size(), 2u);
  EXPECT_EQ(SinglePassDialogProc(dialog, kMsgCommand, kCommandCancel, 0), 1);
}

TEST_F(UpdateRun, ThreeStagesThatSucceed) {
  UseThreeImages();
  for (int banner = 0; banner < 3; ++banner) host.Answer(kAnswerOk);
  EXPECT_EQ(Run(sim::Scenario{}, ThreeStageDialogProc), 0);
  std::vector<std::string> banners = BoxTexts();
  EXPECT_EQ(banners, (std::vector<std::string>{"Master Controller Firmware Update (1/3)",
                                               "Master Controller Firmware Update (2/3)",
                                               "Master Controller Firmware Update (3/3)"}));
  for (const HostEvent& box : host.Boxes()) EXPECT_EQ(box.flags, kBoxOk | kBoxIconInformation);
  sim::Controller* device = Bus().ControllerAt(0);
  EXPECT_EQ(device->ImagesWritten(), 3);
  EXPECT_EQ(device->PowerCycles(), 3);
  // The dialog is hidden while each banner is up and shown again after it.
  std::vector<HostEvent::Kind> visibility;
  for (const HostEvent& e : host.Events()) {
    if (e.kind == HostEvent::Shown || e.kind == HostEvent::Hidden || e.kind == HostEvent::Box) visibility.push_back(e.kind);
  }
  EXPECT_EQ(visibility, (std::vector<HostEvent::Kind>{HostEvent::Shown, HostEvent::Hidden, HostEvent::Box,
                                                      HostEvent::Shown, HostEvent::Hidden, HostEvent::Box,
                                                      HostEvent::Shown, HostEvent::Hidden, HostEvent::Box,
                                                      HostEvent::Shown}));
}

TEST_F(UpdateRun, AFailureInTheSecondStageEndsTheRunAfterItsBanner) {
  UseThreeImages();
  sim::Scenario scenario;
  scenario.failWrite = 4;  // stage 0: header and two chunks; stage 1: its header
  host.Answer(kAnswerOk);
  host.Answer(kAnswerOk);
  EXPECT_EQ(Run(scenario, ThreeStageDialogProc), -1);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Master Controller Firmware Update (1/3)",
                                                  "Master Controller Firmware Update (2/3)"}));
  EXPECT_EQ(Bus().ControllerAt(0)->ImagesWritten(), 1);
}

TEST_F(UpdateRun, AStageWithoutAnImageSendsNothingAndFails) {
  // The shipped program carries the main image alone.
  host.Answer(kAnswerOk);
  EXPECT_EQ(Run(sim::Scenario{}, ThreeStageDialogProc), -1);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Master Controller Firmware Update (1/3)"}));
  EXPECT_EQ(Bus().WriteCount(), 0);
}

TEST_F(UpdateRun, RemindersOfTheFirstStagesSayOnlyToSwitchOffAndOn) {
  UseThreeImages();
  for (int cycles = 0; cycles < 3; ++cycles) {  // then the device is left on, in stage cycles + 1
    sim::Scenario scenario;
    scenario.powerCycles = cycles;
    for (int box = 0; box < cycles + 3; ++box) host.Answer(kAnswerOk);  // the banners, two reminders
    size_t before = host.Boxes().size();
    EXPECT_EQ(Run(scenario, ThreeStageDialogProc), -1);
    std::vector<std::string> boxes = BoxTexts();
    EXPECT_EQ(boxes.size(), before + cycles + 3) << cycles;
    EXPECT_EQ(std::vector<std::string>(boxes.end() - 2, boxes.end()),
              std::vector<std::string>(2, Text(cycles < 2 ? 35 : 26)));
  }
}

}  // namespace
