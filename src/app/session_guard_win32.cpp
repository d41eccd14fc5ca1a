#include "app/session_guard_win32.h"

#include "platform/win.h"
#include "resources/resources.h"
#include "update/update_state.h"

namespace {

enum class Stage { Before, Running, After };

Stage gStage = Stage::Before;      // of the update run; the main thread's alone
intptr_t gRunResult = 0;           // the progress dialog's end value, once it has ended
DialogProc gRunProc = nullptr;     // the progress dialog's own procedure
HHOOK gEndHook = nullptr;

// Newer than the oldest system the program supports: looked up when needed.
using BlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using BlockReasonDestroy = BOOL(WINAPI*)(HWND);

template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  FARPROC found = user32 ? ::GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// The reason a shutdown waits, as the system lists it: "Master Controller
// Firmware Update" in the user's language. It belongs to the application's main
// window, the wizard (the dialog's root owner, made by this thread), which stays
// shown and titled while the three-stage run hides its dialog between stages.
void ShowBlockReason(HWND wizard) {
  auto create = User32Function<BlockReasonCreate>("ShutdownBlockReasonCreate");
  if (!create) return;
  wchar_t reason[res::kTextBufferSize];
  if (::LoadStringW(::GetModuleHandleW(nullptr), res::kTextStageTitle, reason, res::kTextBufferSize) <= 0) return;
  create(wizard, reason);
}

void DropBlockReason(HWND wizard) {
  if (auto destroy = User32Function<BlockReasonDestroy>("ShutdownBlockReasonDestroy")) {
    destroy(wizard);
  }
}

// A dialog procedure's answer to a message whose result is not the return value.
intptr_t Answer(HWND dialog, LONG_PTR result) {
  ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

// The progress dialog's procedure around its own.
intptr_t GuardedProc(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HWND dialog = reinterpret_cast<HWND>(window);
  switch (message) {
    case WM_INITDIALOG:
      ShowBlockReason(::GetAncestor(dialog, GA_ROOTOWNER));
      break;
    case WM_DESTROY:
      DropBlockReason(::GetAncestor(dialog, GA_ROOTOWNER));
      break;
    case WM_QUERYENDSESSION:
      return Answer(dialog, FALSE);  // the update cannot be cancelled once it has started
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMQUERYSUSPEND) return Answer(dialog, BROADCAST_QUERY_DENY);
      break;
  }
  return gRunProc(window, message, wParam, lParam);
}

// Every message sent to the program's windows passes here first. A session that
// ends anyway, refused or not, ends the program before anything more is sent,
// with the outcome of where it stands: before an update a quit, or 0 on a box
// after which the wizard ends with 0; during one a failure; after one -1 if it
// failed, else the run's own result. During the run the worker may be in the
// middle of a transfer, holding locks that an orderly exit would wait for:
// the process ends there without detaching its libraries.
LRESULT CALLBACK WatchSessionEnd(int code, WPARAM wParam, LPARAM lParam) {
  auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_ENDSESSION && sent->wParam) {
    int32_t exitCode = gOutcomeIfEnded;
    if (gStage == Stage::Running) exitCode = -1;
    if (gStage == Stage::After) exitCode = gRunResult == -1 || !gUpdateState ? -1 : gUpdateState->resultCode;
    if (gStage == Stage::Running) ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitCode));
    ::ExitProcess(static_cast<UINT>(exitCode));
  }
  return ::CallNextHookEx(gEndHook, code, wParam, lParam);
}

}  // namespace

SessionGuardHost::SessionGuardHost() {
  gEndHook = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchSessionEnd, nullptr, ::GetCurrentThreadId());
}

SessionGuardHost::~SessionGuardHost() {
  if (gEndHook) ::UnhookWindowsHookEx(gEndHook);
  gEndHook = nullptr;
}

intptr_t SessionGuardHost::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  if (templateId != res::kProgressDialogTemplate || !proc) return Win32Host::RunModal(templateId, owner, proc, param);
  gStage = Stage::Running;
  gRunProc = proc;
  // No sleep for idleness while the device is written and watched.
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  intptr_t result = Win32Host::RunModal(templateId, owner, GuardedProc, param);
  ::SetThreadExecutionState(ES_CONTINUOUS);
  gRunResult = result;
  gStage = Stage::After;
  return result;
}
