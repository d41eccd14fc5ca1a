#include "ui/win32/win32_host.h"

#include <string>

#include "platform/utf8_win32.h"
#include "platform/win.h"

static_assert(kMsgInitDialog == WM_INITDIALOG && kMsgCommand == WM_COMMAND && kMsgNotify == WM_NOTIFY);
static_assert(kMsgSetProgress == 0x0402 && kCommandCancel == IDCANCEL);
static_assert(kBoxYesNo == MB_YESNO && kBoxOkCancel == MB_OKCANCEL && kBoxIconError == MB_ICONERROR &&
              kBoxIconWarning == MB_ICONWARNING && kBoxIconInformation == MB_ICONINFORMATION);
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerYes == IDYES && kAnswerNo == IDNO);

namespace {

// Ends a modal dialog on the thread that runs it, whichever thread asked.
constexpr UINT kEndModalMessage = WM_APP + 0x100;

HWND ToSystem(Window window) { return reinterpret_cast<HWND>(window); }
Window FromSystem(HWND window) { return reinterpret_cast<Window>(window); }

struct Start {
  DialogProc proc;
  intptr_t param;
};

// The one dialog procedure the system calls: it hands every message to the
// portable procedure named at creation. The dialogs are Unicode windows, so every
// text shows in its own language whatever the system's code page.
INT_PTR CALLBACK Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* start = reinterpret_cast<const Start*>(lParam);
    ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(start->proc));
    return start->proc(FromSystem(dialog), message, wParam, start->param);
  }
  if (message == kEndModalMessage) {
    ::EndDialog(dialog, static_cast<INT_PTR>(lParam));
    return TRUE;
  }
  auto proc = reinterpret_cast<DialogProc>(::GetWindowLongPtrW(dialog, DWLP_USER));
  return proc ? proc(FromSystem(dialog), message, wParam, lParam) : 0;
}

}  // namespace

void Win32Host::SetText(Window dialog, int control, const char* text) {
  ::SetDlgItemTextW(ToSystem(dialog), control, platform::Widen(text).c_str());
}

int Win32Host::GetText(Window dialog, int control, char* buffer, int size) {
  if (size <= 0) return 0;
  std::wstring text(static_cast<size_t>(size), L'\0');
  int length = static_cast<int>(::GetDlgItemTextW(ToSystem(dialog), control, text.data(), size));
  return platform::Narrow(text.data(), length, buffer, size);
}

void Win32Host::SetProgress(Window dialog, int control, int position) {
  ::SendDlgItemMessageW(ToSystem(dialog), control, kMsgSetProgress, static_cast<WPARAM>(position), 0);
}

void Win32Host::Show(Window window, bool visible) { ::ShowWindow(ToSystem(window), visible ? SW_SHOW : SW_HIDE); }

void Win32Host::Paint(Window window) { ::UpdateWindow(ToSystem(window)); }

void Win32Host::Destroy(Window window) { ::DestroyWindow(ToSystem(window)); }

Window Win32Host::Parent(Window window) { return FromSystem(::GetParent(ToSystem(window))); }

Rect Win32Host::WindowRect(Window window) {
  RECT rect{};
  ::GetWindowRect(ToSystem(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32Host::Move(Window window, const Rect& rect) {
  ::MoveWindow(ToSystem(window), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

Size Win32Host::ScreenSize() {
  HDC context = ::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  Size size{::GetDeviceCaps(context, HORZRES), ::GetDeviceCaps(context, VERTRES)};
  ::DeleteDC(context);
  return size;
}

int Win32Host::ShowMessageBox(Window owner, const char* text, uint32_t flags) {
  return ::MessageBoxW(ToSystem(owner), platform::Widen(text).c_str(), platform::Widen(kDeviceTitle).c_str(), flags);
}

Window Win32Host::CreateModeless(int templateId, Window owner, DialogProc proc, intptr_t param) {
  Start start{proc, param};
  return FromSystem(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), ToSystem(owner),
                                         Dispatch, reinterpret_cast<LPARAM>(&start)));
}

intptr_t Win32Host::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  Start start{proc, param};
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), ToSystem(owner), Dispatch,
                           reinterpret_cast<LPARAM>(&start));
}

void Win32Host::EndModal(Window dialog, intptr_t result) {
  ::PostMessageW(ToSystem(dialog), kEndModalMessage, 0, static_cast<LPARAM>(result));
}

void Win32Host::Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  ::PostMessageW(ToSystem(window), message, wParam, lParam);
}

void Win32Host::DiscardInput() {
  // Input messages alone, of every window of the thread; what was posted stays.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
  }
}
