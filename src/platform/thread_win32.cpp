#include "platform/thread.h"
#include "platform/win.h"

namespace platform {
namespace {

struct Start {
  WorkerRoutine routine;
  void* param;
};

DWORD WINAPI Run(LPVOID start) {
  Start copy = *static_cast<Start*>(start);
  delete static_cast<Start*>(start);
  return copy.routine(copy.param);
}

}  // namespace

bool StartWorker(WorkerRoutine routine, void* param) {
  auto* start = new Start{routine, param};
  HANDLE thread = ::CreateThread(nullptr, 0, Run, start, 0, nullptr);
  if (!thread) {
    delete start;
    return false;
  }
  ::CloseHandle(thread);  // the worker runs detached
  return true;
}

Mutex::Mutex() : lock_(new CRITICAL_SECTION) { ::InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(lock_)); }

Mutex::~Mutex() {
  ::DeleteCriticalSection(static_cast<CRITICAL_SECTION*>(lock_));
  delete static_cast<CRITICAL_SECTION*>(lock_);
}

void Mutex::lock() { ::EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock_)); }
void Mutex::unlock() { ::LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock_)); }

}  // namespace platform
