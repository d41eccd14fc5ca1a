// An update run: from the first byte sent to the device's return after the power
// cycle, in one pass or in three stages, on a worker thread behind the modal
// progress dialog (template 104), which only the worker ends: 0 for success,
// -1 for failure.
#pragma once

#include <cstdint>

#include "device/link.h"
#include "ui/window.h"

// What a worker is handed: the progress dialog.
struct WorkerParams {
  Window dialog;
  int32_t reserved;  // 0; no worker reads it
};

inline constexpr int WATCH_PERIOD_POLLS = 180;  // one poll a second
inline constexpr uint32_t WATCH_LIMIT_MS = 300000;  // counted from the end of the first period

intptr_t SinglePassDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t ThreeStageDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
unsigned SinglePassWorker(void* params);
unsigned ThreeStageWorker(void* params);

// Closes and reopens the device once a second until it has gone and come back
// (true), showing the reminder after each period of 180 polls, or until the
// limit has passed (false).
bool WatchPowerCycle(Window dialog, DeviceLink* link, int reminderTextId);
