// The three questions the updater asks the device: is it ready, which firmware
// does it run, how far has it got in writing a received image.
#pragma once

#include "device/link.h"
#include "ui/window.h"

// The version of the firmware image the updater carries, given to the build
// together with the image.
extern const char* const UPDATE_DATA_VERSION;

// 1 when the device reports ready; else shows the update-error box, owned by
// window, and gives 0.
int CheckDeviceStatus(Window window, DeviceLink* link);

// Asks for the version up to 30 times, a second apart, with the wait popup shown.
// On an answer puts the device's version and UPDATE_DATA_VERSION into controls
// 1002 and 1003 of page and gives 1; else shows the version-unknown box and gives 0.
int ReadFirmwareVersion(Window page, DeviceLink* link);

// Polls the device's write progress once a second onto the progress dialog's
// bar and percentage; 1 when it reports 100 or more, 0 at the 31st reading of 0
// or after 300 polls in a row without a new highest reading.
int WaitForWriteProgress(Window dialog, DeviceLink* link);

// Shows a percentage on the progress dialog's bar and beside it ("%d %").
void ShowPercentage(Window dialog, int percent);
