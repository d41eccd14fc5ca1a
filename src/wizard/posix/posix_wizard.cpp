#include "wizard/posix/posix_wizard.h"

#include "resources/layout.h"

namespace {

PosixWizard* gWizard = nullptr;  // the wizard host of the run
PosixWizard* gRunning = nullptr;  // the wizard whose window is up

}  // namespace

void SetWizardHost(PosixWizard* wizard) { gWizard = wizard; }

WizardPage CreateWizardPage(int templateId, DialogProc proc) { return gWizard->AddPage(templateId, proc); }

WizardEnd RunWizardSheet(Window parent, const WizardPage* pages, int count) {
  return gWizard->Run(parent, pages, count);
}

void SetMessageResult(Window page, intptr_t result) { gWizard->SetMessageResult(page, result); }

PosixWizard::PosixWizard(LayoutHost& host, WizardUser& user, Size frameMargins)
    : host_(host), user_(user), frameMargins_(frameMargins) {}

PosixWizard::~PosixWizard() {
  if (gWizard == this) gWizard = nullptr;
}

WizardPage PosixWizard::AddPage(int templateId, DialogProc proc) {
  defined_.push_back({templateId, proc});
  return static_cast<WizardPage>(defined_.size());
}

void PosixWizard::SetMessageResult(Window page, intptr_t result) { results_[page] = result; }

intptr_t PosixWizard::FrameProc(Window, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == kMsgSetWizardButtons && gRunning) {
    gRunning->buttons_ = lParam;
    gRunning->user_.ButtonsSet(gRunning->frame_, lParam);
  }
  return 0;
}

intptr_t PosixWizard::Notify(int index, int32_t code) {
  Window page = pages_[static_cast<size_t>(index)].window;
  NotifyHeader header{frame_, 0, static_cast<uint32_t>(code)};
  results_[page] = 0;
  intptr_t answer = pages_[static_cast<size_t>(index)].proc(page, kMsgNotify, 0, reinterpret_cast<intptr_t>(&header));
  intptr_t result = answer ? results_[page] : 0;
  // A cancel or finish is refused by TRUE; a page move by -1 (another value
  // names the page to go to).
  bool refusesEnd = code == kNotifyQueryCancel || code == kNotifyWizFinish;
  if (result != 0 && result != (refusesEnd ? kResultKeepWizard : kResultStay)) ++undocumented_;
  return result;
}

bool PosixWizard::Activate(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return false;
  Page& page = pages_[static_cast<size_t>(index)];
  if (page.window == kNoWindow) {
    page.window = host_.CreateModeless(page.templateId, frame_, page.proc, 0);
    if (page.window == kNoWindow || !FrameAlive()) return false;
    host_.SetCaption(page.window, kDeviceTitle);
  }
  // A page that refuses stays hidden, and the wizard stays as it was. What the
  // page posted on arrival is dispatched before it is drawn, as the system's
  // messages are before its paint: a page that ended the wizard is never seen.
  if (Notify(index, kNotifySetActive) != 0 || !FrameAlive()) return false;
  host_.DispatchPosted();
  if (!FrameAlive()) return false;
  if (current_ >= 0 && current_ != index) host_.Show(pages_[static_cast<size_t>(current_)].window, false);
  current_ = index;
  host_.Show(page.window, true);
  return true;
}

bool PosixWizard::FrameAlive() {
  LayoutHost::WindowState state;
  return host_.Snapshot(frame_, state);
}

WizardEnd PosixWizard::Close(WizardEnd end) {
  if (FrameAlive()) host_.Destroy(frame_);
  gRunning = nullptr;
  return end;
}

WizardEnd PosixWizard::Run(Window parent, const WizardPage* pages, int count) {
  pages_.clear();
  for (int i = 0; i < count; ++i) {
    size_t at = static_cast<size_t>(pages[i] - 1);
    if (at < defined_.size()) pages_.push_back(defined_[at]);
  }
  const res::DialogLayout* layout = pages_.empty() ? nullptr : res::FindLayout(pages_[0].templateId);
  Rect area = layout ? host_.DialogPixels(0, 0, layout->width, layout->height) : Rect{};
  frame_ = host_.AddWindow(parent, FrameProc, {0, 0, area.right + frameMargins_.width, area.bottom + frameMargins_.height},
                           kDeviceTitle);
  gRunning = this;
  buttons_ = 0;
  current_ = -1;
  Activate(0);
  for (;;) {
    // Button sets and end messages posted by the last handler come first.
    host_.DispatchPosted();
    if (!FrameAlive() || current_ < 0) return Close(WizardEnd::Ended);
    bool last = current_ == static_cast<int>(pages_.size()) - 1;
    std::optional<WizardUser::Button> button = user_.Choose(pages_[static_cast<size_t>(current_)].window, buttons_);
    if (!button) {
      if (!last) return Close(WizardEnd::Abandoned);
      button = WizardUser::Button::Finish;
    }
    switch (*button) {
      case WizardUser::Button::Next:
        if ((buttons_ & kButtonNext) && Notify(current_, kNotifyWizNext) == 0 && FrameAlive()) Activate(current_ + 1);
        break;
      case WizardUser::Button::Back:
        if ((buttons_ & kButtonBack) && Notify(current_, kNotifyWizBack) == 0 && FrameAlive()) Activate(current_ - 1);
        break;
      case WizardUser::Button::Finish:
        if (Notify(current_, kNotifyWizFinish) == 0) return Close(WizardEnd::Ended);
        break;
      case WizardUser::Button::Cancel:
        if (Notify(current_, kNotifyQueryCancel) == 0) return Close(WizardEnd::Ended);
        break;
    }
  }
}
