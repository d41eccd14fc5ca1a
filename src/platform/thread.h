// The update's one worker thread.
#pragma once

namespace platform {

using WorkerRoutine = unsigned (*)(void* param);

// Starts routine(param) on a new thread that runs detached: nothing waits for it.
// False when the thread cannot be started.
bool StartWorker(WorkerRoutine routine, void* param);

}  // namespace platform
