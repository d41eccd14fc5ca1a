// The program asked to end before an update began (on Linux, by a signal). From
// then on every wait returns at once, one in progress included, and the device
// link starts nothing new, so that the wizard reaches its end within moments and
// nothing more goes to the device. Never asked while an update runs: a running
// update goes on to its end.
#pragma once

namespace platform {

void StartQuitting();
bool Quitting();

}  // namespace platform
