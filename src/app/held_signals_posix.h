// Ctrl-C, Ctrl-\, closing the terminal and the system's request to end (SIGINT,
// SIGQUIT, SIGHUP, SIGTERM), and Ctrl-Z and the terminal's stop signals (SIGTSTP,
// SIGTTIN, SIGTTOU), as the Linux program handles them. A thread of their own
// takes them. Before an update a quit signal ends the program as a confirmed
// quit would, within moments (the input ends, every wait is cut short, nothing
// more goes to the device), and a stop signal stops it as usual. While an update
// runs every one of them is held: the terminal says once that the update cannot
// be cancelled, the update's boxes take their default answers, and the program
// ends after the update with its outcome. Whether a quit came before the update
// or after it began is decided in one step, so a quit is never both. A signal
// ignored when the program starts (nohup) stays ignored.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ui/posix/terminal_input.h"

class HeldSignals {
 public:
  // Blocks the signals in this thread and in every thread started after it:
  // make it first, before any other thread starts.
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

  // Takes the signals from now on; each ends input. Call it once the threads of
  // the program's libraries have started: from then on a stop signal before an
  // update stops the program.
  void Watch(TerminalInput& input);
  // Also done on each signal, on the watching thread (the windows end their
  // input with it); give it before Watch.
  void AlsoOnSignal(std::function<void()> action) { alsoOnSignal_ = std::move(action); }

  // The update run's bounds, the progress dialog's life, on the thread that runs
  // the dialog, before its worker starts. RunBegins gives false when a quit came
  // first: the run must not begin.
  bool RunBegins();
  void RunEnds();

  // A signal asked the program to end before any update had begun; one that has
  // arrived and is not yet taken counts.
  bool QuitBeforeRun();

 private:
  enum class Stage { Before, Running, After };
  void TakePending();  // with mutex_ held
  void Take(int signal);

  sigset_t quits_{}, stops_{}, all_{};
  int pending_ = -1;  // the signals, readable once they arrive (signalfd)
  int wake_ = -1;     // ends the watcher (eventfd)
  TerminalInput* input_ = nullptr;
  std::function<void()> alsoOnSignal_;
  std::string note_;  // that the update cannot be cancelled, as the terminal shows it
  std::thread watcher_;
  std::mutex mutex_;  // guards what follows, and the taking of signals
  Stage stage_ = Stage::Before;
  bool quit_ = false;
  bool noteShown_ = false;
};

// Runs an update (the progress dialog's life) within its bounds: nothing when a
// quit came first (then -1), else the signals held and the system kept from
// shutting down or sleeping while it lasts. Gives the run's result.
intptr_t RunWithinBounds(HeldSignals& signals, const std::function<intptr_t()>& run);
