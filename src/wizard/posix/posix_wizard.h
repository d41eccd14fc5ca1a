// The wizard on systems without the property-sheet wizard: pages are windows of
// the layout host, owned by a wizard window, and the user's button presses come
// from a WizardUser (the terminal, or a test's script).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "ui/posix/layout_host.h"
#include "wizard/wizard_host.h"

class WizardUser {
 public:
  enum class Button { Back, Next, Finish, Cancel };
  virtual ~WizardUser() = default;
  // The button pressed on page, one of those offered (kButton* bits; Cancel is
  // always offered); empty when the user's input has ended.
  virtual std::optional<Button> Choose(Window page, intptr_t offered) = 0;
  // A page has set the wizard's buttons.
  virtual void ButtonsSet(Window, intptr_t) {}
};

class PosixWizard {
 public:
  // The wizard window is the page area and frameMargins of room for the title
  // and the buttons.
  PosixWizard(LayoutHost& host, WizardUser& user, Size frameMargins = {12, 84});
  ~PosixWizard();

  WizardPage AddPage(int templateId, DialogProc proc);
  WizardEnd Run(Window parent, const WizardPage* pages, int count);
  void SetMessageResult(Window page, intptr_t result);
  // Answers whose message result the system's wizard would read otherwise than
  // this one does (a page ID, or an undocumented value).
  int UndocumentedAnswers() const { return undocumented_; }

 private:
  struct Page {
    int templateId;
    DialogProc proc;
    Window window = kNoWindow;
  };

  static intptr_t FrameProc(Window frame, uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t Notify(int index, int32_t code);
  bool Activate(int index);
  bool FrameAlive();
  WizardEnd Close(WizardEnd end);

  LayoutHost& host_;
  WizardUser& user_;
  std::vector<Page> defined_;
  std::vector<Page> pages_;
  std::map<Window, intptr_t> results_;
  const Size frameMargins_;
  Window frame_ = kNoWindow;
  intptr_t buttons_ = 0;
  int current_ = -1;
  int undocumented_ = 0;
};

// The wizard of the run, which the wizard-host functions use.
void SetWizardHost(PosixWizard* wizard);
