#include "app/program.h"

#include <cstring>

#include "app/instance_guard.h"
#include "app/options.h"
#include "update/update_state.h"
#include "wizard/wizard.h"

int RunProgram(char* commandLine, void (*anotherCopyRuns)()) {
  DeviceLink link{};
  link.transport = 1;
  link.secondPipe = 1;
  std::strcpy(link.deviceId, kHardwareIdList);
  link.dataPipe = 0;
  return RunUpdater(link, commandLine, anotherCopyRuns);
}

int RunUpdater(DeviceLink& link, char* commandLine, void (*anotherCopyRuns)()) {
  InstanceMutex mutex = TakeInstanceMutex();
  if (mutex == kNoInstanceMutex) {  // another copy runs: leave at once; only the caller may say so
    if (anotherCopyRuns) anotherCopyRuns();
    return 0;
  }

  UpdateState state{};
  state.resultCode = 0;
  gOutcomeIfEnded = -1;
  gDeviceLink = &link;
  ReadOptions(commandLine, state);
  gUpdateState = &state;

  RunUpdateWizard(kNoWindow);

  // The wizard has gone and with it every user of the device: an update's worker
  // ends its dialog as its last step. The device is given back before the
  // program ends.
  CloseDevice(&link);
  ReleaseInstanceMutex(mutex);
  // The records end with this frame; nothing may reach them afterwards.
  gUpdateState = nullptr;
  gDeviceLink = nullptr;
  return state.resultCode;
}
