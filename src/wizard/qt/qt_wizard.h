// The Linux desktop's user of the wizard: the wizard window's buttons, Back,
// Next, Finish and Cancel, drawn below the page as the system's wizard draws
// them, with the sets the pages post. Keys as on Windows: Return presses the
// default button (Next, or Finish where it is offered), which has the focus;
// Escape and the window's close button are Cancel; each button's letter
// presses it.
#pragma once

#include <memory>

#include "ui/qt/qt_host.h"
#include "wizard/posix/posix_wizard.h"

class QtWizardUser : public WizardUser {
 public:
  explicit QtWizardUser(QtHost& host);
  ~QtWizardUser() override;
  std::optional<Button> Choose(Window page, intptr_t offered) override;

 private:
  struct Buttons;
  QtHost& host_;
  std::unique_ptr<Buttons> buttons_;
};
