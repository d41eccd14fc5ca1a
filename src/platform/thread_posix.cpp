#include <mutex>
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

Mutex::Mutex() : lock_(new std::mutex) {}
Mutex::~Mutex() { delete static_cast<std::mutex*>(lock_); }
void Mutex::lock() { static_cast<std::mutex*>(lock_)->lock(); }
void Mutex::unlock() { static_cast<std::mutex*>(lock_)->unlock(); }

}  // namespace platform
