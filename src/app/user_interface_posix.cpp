#include "app/user_interface_posix.h"

#include "app/console_host_posix.h"
#include "wizard/posix/terminal_wizard.h"

namespace {

class TerminalInterface : public UserInterface {
 public:
  TerminalInterface(TerminalInput& input, HeldSignals& signals) : host_(input, signals), user_(host_) {}
  LayoutHost& Host() override { return host_; }
  WizardUser& User() override { return user_; }
  Size FrameMargins() const override { return {12, 84}; }

 private:
  ConsoleHost host_;
  TerminalWizardUser user_;
};

}  // namespace

std::unique_ptr<UserInterface> OpenUserInterface(int& argc, char** argv, TerminalInput& input, HeldSignals& signals) {
  if (std::unique_ptr<UserInterface> desktop = OpenDesktop(argc, argv, signals)) return desktop;
  return std::make_unique<TerminalInterface>(input, signals);
}
