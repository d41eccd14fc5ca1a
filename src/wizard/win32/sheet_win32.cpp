// The wizard on Windows: the system's property-sheet wizard.
#include <cstddef>


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
// 48 and 52 bytes on 32-bit Windows.
constexpr UINT kPageSize = offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR);
constexpr UINT kSheetSize = offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP);
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

INT_PTR CALLBACK PageDispatch(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Window window = reinterpret_cast<Window>(page);
  if (message == WM_INITDIALOG) {
    // The system hands the page its description; the template names the procedure.
    auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    DialogProc proc = ProcFor(static_cast<int>(reinterpret_cast<uintptr_t>(description->pszTemplate)));
    ::SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(proc));
    return proc ? proc(window, message, wParam, lParam) : 0;
  }
  auto proc = reinterpret_cast<DialogProc>(::GetWindowLongPtrA(page, DWLP_USER));
  return proc ? proc(window, message, wParam, lParam) : 0;
}

}  // namespace

WizardPage CreateWizardPage(int templateId, DialogProc proc) {
  if (!ProcFor(templateId) && gPageProcCount < 8) gPageProcs[gPageProcCount++] = {templateId, proc};
  PROPSHEETPAGEA page{};
  page.dwSize = kPageSize;
  page.dwFlags = PSP_USETITLE;
  page.hInstance = ::GetModuleHandleA(nullptr);
  page.pszTemplate = MAKEINTRESOURCEA(templateId);
  page.pszTitle = kDeviceTitle;
  page.pfnDlgProc = PageDispatch;
  page.lParam = 0;
  return reinterpret_cast<WizardPage>(::CreatePropertySheetPageA(&page));
}

WizardEnd RunWizardSheet(Window parent, const WizardPage* pages, int count) {
  HINSTANCE module = ::GetModuleHandleA(nullptr);
  PROPSHEETHEADERA sheet{};
  sheet.dwSize = kSheetSize;
  sheet.dwFlags = PSH_WIZARD | PSH_USEHICON;
  sheet.hwndParent = reinterpret_cast<HWND>(parent);
  sheet.hInstance = module;
  sheet.hIcon = static_cast<HICON>(
      ::LoadImageA(module, MAKEINTRESOURCEA(res::kIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  sheet.pszCaption = nullptr;
  sheet.nPages = static_cast<UINT>(count);
  sheet.nStartPage = 0;
  sheet.phpage = const_cast<HPROPSHEETPAGE*>(reinterpret_cast<const HPROPSHEETPAGE*>(pages));
  ::PropertySheetA(&sheet);
  return WizardEnd::Ended;
}

void SetMessageResult(Window page, intptr_t result) {
  ::SetWindowLongPtrA(reinterpret_cast<HWND>(page), DWLP_MSGRESULT, result);
}
