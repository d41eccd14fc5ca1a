#include "app/held_signals_posix.h"

#include <pthread.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "resources/resources.h"

namespace {

// "You cannot cancel updating once it has started.", in the user's language:
// the middle paragraph of the start warning.
std::string CannotCancelNote() {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextStartWarning, text, sizeof text);
  std::string_view warning(text);
  size_t start = warning.find("\n\n");
  if (start == std::string_view::npos) return std::string(warning);
  warning.remove_prefix(start + 2);
  warning = warning.substr(0, warning.find('\n'));
  while (!warning.empty() && warning.back() == '\r') warning.remove_suffix(1);
  return std::string(warning);
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

HeldSignals::HeldSignals() {
  sigemptyset(&held_);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held_, signal);
  pthread_sigmask(SIG_BLOCK, &held_, nullptr);
  // Output that nobody reads any more must not end a running update.
  std::signal(SIGPIPE, SIG_IGN);
}

HeldSignals::~HeldSignals() {
  if (watcher_.joinable()) {
    stopping_.store(true);
    pthread_kill(watcher_.native_handle(), SIGHUP);
    watcher_.join();
  }
}

void HeldSignals::Watch(TerminalInput& input) {
  input_ = &input;
  watcher_ = std::thread([this] {
    for (;;) {
      int signal = 0;
      if (sigwait(&held_, &signal) != 0) continue;
      if (stopping_.load()) return;
      Take(signal);
    }
  });
}

void HeldSignals::Take(int) {
  if (running_.load()) {
    // Said once however often the user asks.
    if (!noteShown_.exchange(true)) {
      std::string note = "\n";
      note += CannotCancelNote();
      note += '\n';
      WriteAll(STDERR_FILENO, note);
    }
  } else if (!runBegan_.load()) {
    quitBeforeRun_.store(true);
  }
  input_->End();
}

void HeldSignals::RunBegins() {
  runBegan_.store(true);
  running_.store(true);
}

void HeldSignals::RunEnds() { running_.store(false); }
