// The wizard on Windows: the system's property-sheet wizard.
#include <cstddef>
#include <string>

#include "platform/utf8_win32.h"
#include "platform/win.h"
#include "resources/resources.h"
#include "ui/window.h"
#include "wizard/wizard_host.h"

static_assert(kNotifySetActive == static_cast<int32_t>(PSN_SETACTIVE) &&
              kNotifyWizBack == static_cast<int32_t>(PSN_WIZBACK) &&
              kNotifyWizNext == static_cast<int32_t>(PSN_WIZNEXT) &&
              kNotifyWizFinish == static_cast<int32_t>(PSN_WIZFINISH) &&
              kNotifyQueryCancel == static_cast<int32_t>(PSN_QUERYCANCEL));
static_assert(kMsgSetWizardButtons == PSM_SETWIZBUTTONS && kButtonBack == PSWIZB_BACK &&
              kButtonNext == PSWIZB_NEXT && kButtonFinish == PSWIZB_FINISH);
static_assert(sizeof(NotifyHeader) == sizeof(NMHDR) && offsetof(NotifyHeader, code) == offsetof(NMHDR, code));

namespace {

// The page and sheet descriptions up to their header title and header bitmap:
// 48 and 52 bytes on 32-bit Windows. The Unicode forms, so that the pages are
// Unicode windows and show every language whatever the system's code page.
constexpr UINT kPageSize = offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR);
constexpr UINT kSheetSize = offsetof(PROPSHEETHEADERW, hbmHeader) + sizeof(HBITMAP);
static_assert(sizeof(void*) != 4 || (kPageSize == 48 && kSheetSize == 52));

// The page procedures by template, for the one dialog procedure the system calls.
struct PageProc {
  int templateId;
  DialogProc proc;
};
PageProc gPageProcs[8];
int gPageProcCount = 0;

DialogProc ProcFor(int templateId) {
  for (int i = 0; i < gPageProcCount; ++i) {
    if (gPageProcs[i].templateId == templateId) return gPageProcs[i].proc;
  }
  return nullptr;
}

// Posted to a page once it has settled: its notification handled, and the
// message boxes and popups it raised meanwhile gone.
constexpr UINT kSettledMessage = WM_APP + 0x120;

// The control IDs of the wizard's Next and Finish buttons.
constexpr int kNextButtonId = 0x3024, kFinishButtonId = 0x3025;

// Gives the focus to the button the page offers, Finish or else Next, which
// makes it the default button: a page whose handler raised a message box or a
// popup left the focus where the sheet cannot set the default, and Enter would
// do nothing.
void FocusOfferedButton(HWND page) {
  HWND sheet = ::GetParent(page);
  for (int id : {kFinishButtonId, kNextButtonId}) {
    HWND button = ::GetDlgItem(sheet, id);
    if (button && ::IsWindowVisible(button) && ::IsWindowEnabled(button)) {
      ::SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
      return;
    }
  }
}

// Whether the page stays current after this notification and its answer.
bool Settles(LPARAM lParam, INT_PTR answer, HWND page) {
  LONG_PTR result = answer ? ::GetWindowLongPtrW(page, DWLP_MSGRESULT) : 0;
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE: return result == kResultAccept;
    case PSN_WIZNEXT:
    case PSN_WIZBACK: return result == kResultStay;
    default: return false;
  }
}

INT_PTR CALLBACK PageDispatch(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Window window = reinterpret_cast<Window>(page);
  if (message == WM_INITDIALOG) {
    // The system hands the page its description; the template names the procedure.
    auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    DialogProc proc = ProcFor(static_cast<int>(reinterpret_cast<uintptr_t>(description->pszTemplate)));
    ::SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(proc));
    return proc ? proc(window, message, wParam, lParam) : 0;
  }
  if (message == kSettledMessage) {
    FocusOfferedButton(page);
    return TRUE;
  }
  auto proc = reinterpret_cast<DialogProc>(::GetWindowLongPtrW(page, DWLP_USER));
  INT_PTR answer = proc ? proc(window, message, wParam, lParam) : 0;
  // Posted after the button set the handler posted, so it comes after it; after
  // an end message the wizard is gone and this is dropped with it.
  if (message == WM_NOTIFY && Settles(lParam, answer, page)) ::PostMessageW(page, kSettledMessage, 0, 0);
  return answer;
}

}  // namespace

WizardPage CreateWizardPage(int templateId, DialogProc proc) {
  if (!ProcFor(templateId) && gPageProcCount < 8) gPageProcs[gPageProcCount++] = {templateId, proc};
  static const std::wstring title = platform::Widen(kDeviceTitle);
  PROPSHEETPAGEW page{};
  page.dwSize = kPageSize;
  page.dwFlags = PSP_USETITLE;
  page.hInstance = ::GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(templateId);
  page.pszTitle = title.c_str();
  page.pfnDlgProc = PageDispatch;
  page.lParam = 0;
  return reinterpret_cast<WizardPage>(::CreatePropertySheetPageW(&page));
}

WizardEnd RunWizardSheet(Window parent, const WizardPage* pages, int count) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  PROPSHEETHEADERW sheet{};
  sheet.dwSize = kSheetSize;
  sheet.dwFlags = PSH_WIZARD | PSH_USEHICON;
  sheet.hwndParent = reinterpret_cast<HWND>(parent);
  sheet.hInstance = module;
  // The sheet shows it in its caption: the system's small icon size, which
  // grows with the screen's resolution. The icon is the program's to destroy.
  HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(res::kIconId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR));
  sheet.hIcon = icon;
  sheet.pszCaption = nullptr;
  sheet.nPages = static_cast<UINT>(count);
  sheet.nStartPage = 0;
  sheet.phpage = const_cast<HPROPSHEETPAGE*>(reinterpret_cast<const HPROPSHEETPAGE*>(pages));
  ::PropertySheetW(&sheet);
  if (icon) ::DestroyIcon(icon);
  return WizardEnd::Ended;
}

void SetMessageResult(Window page, intptr_t result) {
  ::SetWindowLongPtrW(reinterpret_cast<HWND>(page), DWLP_MSGRESULT, result);
}
