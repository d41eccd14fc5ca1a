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

}  // namespace platform
