#include "ui/posix/terminal_input.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

TerminalInput::TerminalInput(int fd) : std::istream(this), fd_(fd) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

TerminalInput::~TerminalInput() {
  for (int fd : wake_) {
    if (fd >= 0) ::close(fd);
  }
}

void TerminalInput::End() {
  ended_.store(true);
  if (wake_[1] >= 0) {
    char byte = 0;
    [[maybe_unused]] ssize_t written = ::write(wake_[1], &byte, 1);
  }
}

void TerminalInput::DropTyped() {
  if (::isatty(fd_) == 1) ::tcflush(fd_, TCIFLUSH);
}

std::streambuf::int_type TerminalInput::underflow() {
  for (;;) {
    if (ended_.load()) return std::streambuf::traits_type::eof();
    pollfd watched[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int count = wake_[0] >= 0 ? 2 : 1;
    if (::poll(watched, static_cast<nfds_t>(count), -1) < 0) {
      if (errno == EINTR) continue;
      return std::streambuf::traits_type::eof();
    }
    if (ended_.load()) return std::streambuf::traits_type::eof();
    // One byte at a time: nothing typed ahead is held back once the input ends.
    ssize_t got = ::read(fd_, &byte_, 1);
    if (got == 1) {
      setg(&byte_, &byte_, &byte_ + 1);
      return std::streambuf::traits_type::to_int_type(byte_);
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return std::streambuf::traits_type::eof();  // end of input, or the terminal has gone (EIO)
  }
}
