// The terminal's input for the Linux program: standard input read a byte at a
// time, which another thread can end at any moment. Once ended, every read
// gives end of input at once, so that the waiting prompt returns and every later
// box takes its default answer.
#pragma once

#include <atomic>
#include <istream>
#include <streambuf>

class TerminalInput : private std::streambuf, public std::istream {
 public:
  explicit TerminalInput(int fd);
  ~TerminalInput() override;
  TerminalInput(const TerminalInput&) = delete;
  TerminalInput& operator=(const TerminalInput&) = delete;

  // Ends the input; safe from any thread and from a signal handler.
  void End();
  bool Ended() const { return ended_.load(); }
  // On a terminal, drops what has been typed and not yet read; input through a
  // pipe or from a file is left as it is.
  void DropTyped();

 private:
  std::streambuf::int_type underflow() override;

  const int fd_;
  int wake_[2] = {-1, -1};  // written by End, watched beside the input
  std::atomic<bool> ended_{false};
  char byte_ = 0;
};
