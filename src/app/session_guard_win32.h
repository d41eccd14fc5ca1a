// The window host of the Windows program, which also keeps the rest of the
// system from cutting an update short: while the progress dialog is up the
// system does not sleep for idleness, and a logoff or shutdown is refused with a
// reason the user can read. Before and after an update the program does not
// stand in the session's way; when the session ends all the same, the program
// ends at once and sends nothing more to the device.
#pragma once

#include "ui/win32/win32_host.h"

class SessionGuardHost : public Win32Host {
 public:
  // Watches the calling thread's windows for the end of the session.
  SessionGuardHost();
  ~SessionGuardHost() override;
  SessionGuardHost(const SessionGuardHost&) = delete;
  SessionGuardHost& operator=(const SessionGuardHost&) = delete;

  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override;
};
