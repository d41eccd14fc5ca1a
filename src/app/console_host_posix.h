// The terminal host of the Linux program, which also marks the bounds of an
// update run (the progress dialog's life): signals are held and the system kept
// from shutting down or sleeping while it lasts.
#pragma once

#include "app/held_signals_posix.h"
#include "app/sleep_inhibitor.h"
#include "ui/posix/terminal_host.h"

class ConsoleHost : public TerminalHost {
 public:
  ConsoleHost(TerminalInput& input, HeldSignals& signals);

  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override;

 private:
  HeldSignals& signals_;
  SleepInhibitor inhibitor_;
};
