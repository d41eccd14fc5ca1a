// Until the wizard pages exist, the run goes as far as the first page's Next:
// it looks for the device through the compiled hardware-ID list and says what it
// found.
#include <cstdio>

#include "device/link.h"
#include "wizard/wizard.h"

void RunUpdateWizard(Window) {
  std::printf("NORVA TELIX MZ 5100P firmware updater\n");
  std::printf("Looking for the device %s ...\n", gDeviceLink->deviceId);
  if (ProbeHardwareIdList(gDeviceLink)) {
    std::printf("The device is connected and open. The update pages are not built yet.\n");
  } else {
    std::printf("No device was found.\n");
  }
  std::fflush(stdout);
}
