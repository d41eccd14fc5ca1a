#include <system_error>
#include <thread>

#include "platform/thread.h"

namespace platform {

bool StartWorker(WorkerRoutine routine, void* param) {
  try {
    std::thread(routine, param).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace platform
