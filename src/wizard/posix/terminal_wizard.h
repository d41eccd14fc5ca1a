// The Linux program's user at the terminal: the page is printed by the terminal
// host when it is shown; here the offered buttons are listed and one is read.
#pragma once

#include "ui/posix/terminal_host.h"
#include "wizard/posix/posix_wizard.h"

class TerminalWizardUser : public WizardUser {
 public:
  explicit TerminalWizardUser(TerminalHost& terminal) : terminal_(terminal) {}
  std::optional<Button> Choose(Window page, intptr_t offered) override;

 private:
  TerminalHost& terminal_;
};
