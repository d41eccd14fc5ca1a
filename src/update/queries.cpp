#include "update/queries.h"

#include <cstdio>
#include <cstring>

#include "device/protocol.h"
#include "platform/clock.h"
#include "platform/words.h"
#include "resources/resources.h"
#include "ui/host.h"
#include "ui/placement.h"
#include "update/update_state.h"

#ifndef UPDATER_FIRMWARE_VERSION
#error "UPDATER_FIRMWARE_VERSION names the version of the embedded image; the build defines it."
#endif

const char* const UPDATE_DATA_VERSION = UPDATER_FIRMWARE_VERSION;

namespace {

constexpr int kVersionTries = 30;
constexpr int kZeroReadingsAllowed = 30;
// A device still writing changes its reading now and then (it may also start
// again lower, as one that writes in parts does); one whose reading has not
// changed for this many polls (about five minutes) has stopped.
constexpr int kPollsWithoutProgress = 300;
constexpr uint32_t kPause = 1000;

void ShowText(Window owner, int textId, uint32_t flags) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  Host().ShowMessageBox(owner, text, flags);
}

}  // namespace

void ShowPercentage(Window dialog, int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%d %%", percent);
  Host().SetProgress(dialog, res::kControlProgressBar, percent);
  Host().SetText(dialog, res::kControlPercent, text);
}

int CheckDeviceStatus(Window window, DeviceLink* link) {
  uint8_t reply[kStatusReplyLength] = {};
  // A failed request leaves the reply at 0, which reads as ready; the version
  // read or the transfer that follows then fails on such a device.
  ControlRequest(link, REQ_GET_STATUS, 0, 0, kStatusReplyLength, reply);
  if (reply[kStatusByte] == 0) return 1;
  ShowText(window, res::kTextUpdateError, kBoxOk | kBoxIconError);
  return 0;
}

int ReadFirmwareVersion(Window page, DeviceLink* link) {
  WindowHost& host = Host();
  Window popup = host.CreateModeless(res::kVersionPopupTemplate, page, VersionCheckPopup, 0);
  if (popup != kNoWindow) {
    host.Show(popup, true);
    host.Paint(popup);
  }
  int result = 0;
  bool answered = false;
  for (int tries = 0; tries < kVersionTries && !answered; ++tries) {
    uint8_t reply[kVersionReplyLength] = {};
    result = ControlRequest(link, REQ_GET_VERSION, 0, 0, kVersionReplyLength, reply);
    char text[32] = {};
    std::memcpy(text, reply + kVersionTextAt, kVersionTextLength);
    char words[10][30];
    if (SplitWords(text, " ", &words[0][0], 30, 10) >= 2) {
      host.SetText(page, res::kControlDeviceVersion, words[1]);
      host.SetText(page, res::kControlUpdateVersion, UPDATE_DATA_VERSION);
      answered = true;
    } else {
      platform::SleepMs(kPause);
    }
  }
  if (popup != kNoWindow) host.Destroy(popup);
  // The program took no input while it asked the device: keys pressed and
  // clicks made meanwhile would act on a box or a page not yet seen (Enter on
  // Next, then on the start warning).
  host.DiscardInput();
  if (answered && result) return result;
  gOutcomeIfEnded = 0;  // the wizard ends with 0 after this box
  ShowText(page, res::kTextVersionUnknown, kBoxOk | kBoxIconInformation);
  return 0;
}

int WaitForWriteProgress(Window dialog, DeviceLink* link) {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextOverwriting, text, sizeof text);
  Host().SetText(dialog, res::kControlHeading, text);
  int zeroReadings = 0;
  int last = -1, unchanged = 0;
  for (;;) {
    uint8_t reply[kProgressReplyLength] = {};
    // A failed request reads as 0.
    ControlRequest(link, REQ_GET_PROGRESS, 0, 0, kProgressReplyLength, reply);
    int percent = reply[kProgressByte];
    unchanged = percent == last ? unchanged + 1 : 0;
    last = percent;
    if ((percent == 0 && ++zeroReadings > kZeroReadingsAllowed) || unchanged >= kPollsWithoutProgress) {
      platform::SleepMs(kPause);
      return 0;
    }
    ShowPercentage(dialog, percent);
    platform::SleepMs(kPause);
    if (percent >= 100) {
      platform::SleepMs(kPause);
      return 1;
    }
  }
}
