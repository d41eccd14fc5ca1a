// The terminal host of the Linux program, which also marks the bounds of an
// update run (the progress dialog's life): signals are held and the system kept
// from shutting down or sleeping while it lasts. Once a signal has asked the
// program to quit before a run, no run begins and no further box is shown:
// nobody is there to answer it. Keys typed while the device's version was read
// are dropped, so that the confirmation page takes only what is typed on it.
#pragma once

#include "app/held_signals_posix.h"
#include "ui/posix/terminal_host.h"
#include "ui/posix/terminal_input.h"

class ConsoleHost : public TerminalHost {
 public:
  ConsoleHost(TerminalInput& input, HeldSignals& signals);

  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override;
  void DiscardInput() override;

 protected:
  int AskBox(Window owner, const std::string& text, uint32_t flags) override;

 private:
  TerminalInput& input_;
  HeldSignals& signals_;
};
