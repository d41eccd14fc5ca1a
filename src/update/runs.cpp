#include "update/runs.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/thread.h"
#include "resources/resources.h"
#include "ui/host.h"
#include "ui/placement.h"
#include "update/queries.h"
#include "update/transfer.h"

namespace {

WorkerParams gSinglePassParams;
WorkerParams gThreeStageParams;

void SetStatus(Window dialog, int textId) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  Host().SetText(dialog, res::kControlHeading, text);
}

intptr_t ProgressDialogProc(Window dialog, uint32_t message, uintptr_t wParam, WorkerParams& params,
                            platform::WorkerRoutine worker) {
  if (message == kMsgInitDialog) {
    CenterWindow(dialog);
    SetStatus(dialog, res::kTextSending);
    // Shown before the worker starts, so that the worker's hiding it for a
    // stage banner cannot come first.
    Host().Show(dialog, true);
    params = {dialog, 0};
    // Without its worker the dialog could never end.
    if (!platform::StartWorker(worker, &params)) Host().EndModal(dialog, -1);
    return 0;
  }
  // Escape asks the dialog to cancel. A running update cannot be cancelled: the
  // device is being written, and the link belongs to the worker until it ends
  // the dialog itself.
  if (message == kMsgCommand && (wParam & 0xFFFF) == kCommandCancel) return 1;
  return 0;
}

// Sends a stage's image and waits while the device writes it.
bool SendAndWrite(Window dialog, DeviceLink* link, int stage) {
  return SendFirmwareImage(dialog, link, stage) && WaitForWriteProgress(dialog, link);
}

}  // namespace

bool WatchPowerCycle(Window dialog, DeviceLink* link, int reminderTextId) {
  bool vanished = false;
  bool limitStarted = false;
  uint32_t startTick = 0;
  for (;;) {
    for (int poll = 0; poll < WATCH_PERIOD_POLLS; ++poll) {
      if (!vanished) {
        CloseDevice(link);
        if (!OpenDevice(link)) vanished = true;
      }
      if (vanished && OpenDevice(link)) return true;
      platform::SleepMs(1000);
    }
    if (!limitStarted) {
      startTick = platform::TickCount();
      limitStarted = true;
    }
    if (platform::TickCount() - startTick > WATCH_LIMIT_MS) return false;
    char text[res::kTextBufferSize];
    res::LoadText(reminderTextId, text, sizeof text);
    Host().ShowMessageBox(dialog, text, kBoxOk | kBoxIconError);
  }
}

unsigned SinglePassWorker(void* params) {
  Window dialog = static_cast<WorkerParams*>(params)->dialog;
  DeviceLink* link = gDeviceLink;
  if (!CheckCarriedImages(2) || !SendAndWrite(dialog, link, 2)) {
    Host().EndModal(dialog, -1);
    return 0;
  }
  SetStatus(dialog, res::kTextUpdatedPowerCycle);
  Host().EndModal(dialog, WatchPowerCycle(dialog, link, res::kTextUpdatedPowerCycle) ? 0 : -1);
  return 0;
}

unsigned ThreeStageWorker(void* params) {
  Window dialog = static_cast<WorkerParams*>(params)->dialog;
  DeviceLink* link = gDeviceLink;
  WindowHost& host = Host();
  // All three images are checked before the first is sent: a damaged one found
  // only at its own stage would leave the device between two firmwares.
  if (!CheckCarriedImages(0)) {
    host.EndModal(dialog, -1);
    return 0;
  }
  for (int stage = 0; stage < 3; ++stage) {
    host.Show(dialog, false);
    char title[res::kTextBufferSize], banner[res::kTextBufferSize + 16];
    res::LoadText(res::kTextStageTitle, title, sizeof title);
    std::snprintf(banner, sizeof banner, "%s (%d/3)", title, stage + 1);
    host.ShowMessageBox(dialog, banner, kBoxOk | kBoxIconInformation);
    host.Show(dialog, true);
    if (!SendAndWrite(dialog, link, stage)) {
      host.EndModal(dialog, -1);
      return 0;
    }
    SetStatus(dialog, res::kTextUpdatedPowerCycle);
    int reminder = stage < 2 ? res::kTextPowerCycle : res::kTextUpdatedPowerCycle;
    if (!WatchPowerCycle(dialog, link, reminder)) {
      host.EndModal(dialog, -1);
      return 0;
    }
  }
  host.EndModal(dialog, 0);
  return 0;
}

intptr_t SinglePassDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  return ProgressDialogProc(dialog, message, wParam, gSinglePassParams, SinglePassWorker);
}

intptr_t ThreeStageDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  return ProgressDialogProc(dialog, message, wParam, gThreeStageParams, ThreeStageWorker);
}
