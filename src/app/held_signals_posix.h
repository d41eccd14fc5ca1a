// Ctrl-C, closing the terminal and the system's request to end (SIGINT, SIGHUP,
// SIGTERM) as the Linux program handles them. They never end the program on
// the spot: a thread of their own takes them and ends the terminal's input, so
// that the wizard ends as a quit would before an update runs, and a running
// update goes on to its end (its boxes taking their default answers) before the
// program ends with the update's outcome.
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
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

  // Takes the signals from now on; each ends input.
  void Watch(TerminalInput& input);
  // Also done on each signal, on the watching thread (the windows end their
  // input with it); give it before Watch.
  void AlsoOnSignal(std::function<void()> action) { alsoOnSignal_ = std::move(action); }

  // The update run's bounds: the progress dialog's life.
  void RunBegins();
  void RunEnds();

  // A signal asked the program to end before any update had begun.
  bool QuitBeforeRun() const { return quitBeforeRun_.load() && !runBegan_.load(); }

 private:
  void Take(int signal);

  sigset_t held_{};
  TerminalInput* input_ = nullptr;
  std::function<void()> alsoOnSignal_;
  std::thread watcher_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> runBegan_{false};
  std::atomic<bool> quitBeforeRun_{false};
  std::atomic<bool> noteShown_{false};
};
