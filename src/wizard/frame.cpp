// The wizard frame: the page table, the quit question shared by the first two
// pages, and the small helpers every page uses.
#include "resources/resources.h"
#include "ui/host.h"
#include "update/update_state.h"
#include "wizard/wizard.h"
#include "wizard/wizard_host.h"

namespace {

struct PageRow {
  int templateId;
  DialogProc proc;
};

constexpr PageRow kPageTable[] = {
    {res::kPrecautionsPageTemplate, PrecautionsPage},
    {res::kConfirmPageTemplate, ConfirmPage},
    {res::kResultPageTemplate, ResultPage},
    {0, nullptr},
};
constexpr int kMaxPages = 100;

}  // namespace

void RunUpdateWizard(Window parent) {
  WizardPage pages[kMaxPages];
  int count = 0;
  for (const PageRow& row : kPageTable) {
    if (!row.proc || count == kMaxPages) break;
    pages[count++] = CreateWizardPage(row.templateId, row.proc);
  }
  // Input that ends before the last page leaves as a confirmed quit would.
  if (RunWizardSheet(parent, pages, count) == WizardEnd::Abandoned) gUpdateState->resultCode = -1;
}

int ConfirmQuit(Window page) {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextQuitQuestion, text, sizeof text);
  if (Host().ShowMessageBox(page, text, kBoxIconWarning | kBoxYesNo) != kAnswerYes) return 0;
  gUpdateState->resultCode = -1;
  return 1;
}

int32_t NotificationCode(intptr_t lParam) {
  return static_cast<int32_t>(reinterpret_cast<const NotifyHeader*>(lParam)->code);
}

void SetPageText(Window page, int control, int textId) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  Host().SetText(page, control, text);
}

void PostButtons(Window page, intptr_t buttons) {
  Host().Post(Host().Parent(page), kMsgSetWizardButtons, 0, buttons);
}

intptr_t Answer(Window page, intptr_t result) {
  SetMessageResult(page, result);
  return 1;
}

intptr_t AbortWizard(Window page, intptr_t result) {
  Host().Post(page, WM_UPDATER_ABORT, 0, 0);
  return Answer(page, result);
}

intptr_t CloseWizard(Window page, intptr_t result) {
  Host().Post(page, WM_UPDATER_CLOSE, 0, 0);
  return Answer(page, result);
}
