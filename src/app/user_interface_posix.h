// The Linux program's user interface, chosen at the start: the wizard's windows
// on a desktop (Qt), or the wizard on the terminal. UPDATER_UI=terminal or
// UPDATER_UI=window chooses; otherwise windows where there is a display
// (WAYLAND_DISPLAY or DISPLAY) and a Qt platform loads, else the terminal.
#pragma once

#include <memory>

#include "app/held_signals_posix.h"
#include "ui/posix/layout_host.h"
#include "wizard/posix/posix_wizard.h"

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual LayoutHost& Host() = 0;
  virtual WizardUser& User() = 0;
  // Room the wizard window takes beside its page area.
  virtual Size FrameMargins() const = 0;
};

std::unique_ptr<UserInterface> OpenUserInterface(int& argc, char** argv, TerminalInput& input, HeldSignals& signals);

// The windows, or null where they are not chosen or cannot be shown (said on
// standard error when they were asked for). Without Qt, always null.
std::unique_ptr<UserInterface> OpenDesktop(int& argc, char** argv, HeldSignals& signals);
