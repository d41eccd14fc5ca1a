// Built without libsystemd: nothing keeps the system awake, and the update runs
// all the same.
#include "app/sleep_inhibitor.h"

bool SleepInhibitor::Take() { return false; }

void SleepInhibitor::Release() { lock_ = -1; }
