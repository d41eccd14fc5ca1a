#include "app/program.h"

#include <cstring>

#include "app/instance_guard.h"
#include "app/options.h"
#include "device/link.h"
#include "update/update_state.h"
#include "wizard/wizard.h"

int RunProgram(char* commandLine, void (*anotherCopyRuns)()) {
  InstanceMutex mutex = TakeInstanceMutex();
  if (mutex == kNoInstanceMutex) {  // another copy runs: leave at once; only the caller may say so
    if (anotherCopyRuns) anotherCopyRuns();
    return 0;
  }

  DeviceLink link{};
  link.transport = 1;
  link.secondPipe = 1;
  std::strcpy(link.deviceId, kHardwareIdList);
  link.dataPipe = 0;

  UpdateState state{};
  state.resultCode = 0;
  gDeviceLink = &link;
  ReadOptions(commandLine, state);
  gUpdateState = &state;

  RunUpdateWizard(kNoWindow);

  ReleaseInstanceMutex(mutex);
  // The records end with this frame; nothing may reach them afterwards.
  gUpdateState = nullptr;
  gDeviceLink = nullptr;
  return state.resultCode;
}
