// Keeps the system from shutting down or sleeping while an update runs: on
// Linux a logind inhibitor lock ("shutdown:sleep:handle-lid-switch", mode
// block). Where there is no system bus or no logind, or the program is built
// without libsystemd, nothing is held and the update goes on all the same; a
// lock logind refuses is said on standard error.
#pragma once

class SleepInhibitor {
 public:
  SleepInhibitor() = default;
  ~SleepInhibitor() { Release(); }
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  // True when the lock is held.
  bool Take();
  void Release();

 private:
  int lock_ = -1;  // the descriptor logind hands out; closing it releases the lock
};
