// The update's one worker thread, and the lock for what threads share.
#pragma once

namespace platform {

using WorkerRoutine = unsigned (*)(void* param);

// Starts routine(param) on a new thread that runs detached: nothing waits for it.
// False when the thread cannot be started.
bool StartWorker(WorkerRoutine routine, void* param);

// A lock for state that threads share (usable with std::lock_guard). On Windows a
// critical section, which every Windows the program runs on has.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void lock();
  void unlock();

 private:
  void* lock_;
};

}  // namespace platform
