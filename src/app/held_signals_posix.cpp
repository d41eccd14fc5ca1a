#include "app/held_signals_posix.h"
#include "app/sleep_inhibitor.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/charset.h"
#include "platform/quitting.h"
#include "resources/resources.h"

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// "You cannot cancel updating once it has started.", in the user's language and
// the terminal's character set: the middle paragraph of the start warning.
std::string CannotCancelNote() {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextStartWarning, text, sizeof text);
  std::string_view warning(text);
  if (size_t start = warning.find("\n\n"); start != std::string_view::npos) {
    warning.remove_prefix(start + 2);
    warning = warning.substr(0, warning.find('\n'));
  }
  while (!warning.empty() && warning.back() == '\r') warning.remove_suffix(1);
  // Appended in place: GCC 12 at -O3 takes a chain of concatenations for an
  // overlapping copy and stops a warnings-as-errors build.
  std::string note(1, '\n');
  note.append(warning);
  note += '\n';
  const std::string charset = platform::TerminalCharset();
  return platform::IsUtf8(charset) ? note : platform::FromUtf8(note, charset);
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

// A signal ignored on entry (nohup) stays so: it is neither blocked nor taken.
void AddUnlessIgnored(sigset_t& set, int signal) {
  struct sigaction now {};
  if (::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) return;
  sigaddset(&set, signal);
}

}  // namespace

HeldSignals::HeldSignals() {
  sigemptyset(&quits_);
  sigemptyset(&stops_);
  sigemptyset(&all_);
  for (int signal : kQuitSignals) AddUnlessIgnored(quits_, signal);
  for (int signal : kStopSignals) AddUnlessIgnored(stops_, signal);
  sigorset(&all_, &quits_, &stops_);
  pthread_sigmask(SIG_BLOCK, &all_, nullptr);
  // A blocked signal waits here until it is read, so that a quit and the start
  // of a run are decided under one lock.
  pending_ = ::signalfd(-1, &all_, SFD_NONBLOCK | SFD_CLOEXEC);
  wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  // Without them nothing could take the signals: they keep their usual effect.
  if (pending_ < 0 || wake_ < 0) pthread_sigmask(SIG_UNBLOCK, &all_, nullptr);
  // Output that nobody reads any more must not end a running update.
  std::signal(SIGPIPE, SIG_IGN);
}

HeldSignals::~HeldSignals() {
  if (watcher_.joinable()) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wake_, &one, sizeof one);
    watcher_.join();
  }
  for (int fd : {pending_, wake_}) {
    if (fd >= 0) ::close(fd);
  }
}

void HeldSignals::Watch(TerminalInput& input) {
  input_ = &input;
  note_ = CannotCancelNote();
  if (pending_ < 0 || wake_ < 0) return;
  watcher_ = std::thread([this] {
    pollfd watched[2] = {{pending_, POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
      if (::poll(watched, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (watched[1].revents != 0) return;
      std::lock_guard lock(mutex_);
      TakePending();
    }
  });
  // Until an update runs, a stop signal reaches this thread and stops the
  // program as usual; the watcher and the threads before it keep it blocked.
  pthread_sigmask(SIG_UNBLOCK, &stops_, nullptr);
}

void HeldSignals::TakePending() {
  if (pending_ < 0) return;
  signalfd_siginfo info{};
  while (::read(pending_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    Take(static_cast<int>(info.ssi_signo));
  }
}

void HeldSignals::Take(int signal) {
  bool stop = sigismember(&stops_, signal) == 1;
  if (stage_ == Stage::Running) {
    // Said once however often the user asks.
    if (!noteShown_) WriteAll(STDERR_FILENO, note_);
    noteShown_ = true;
  } else if (stop) {
    ::kill(::getpid(), SIGSTOP);  // as the signal itself would have
    return;
  } else if (stage_ == Stage::Before) {
    quit_ = true;
    platform::StartQuitting();
  }
  if (input_) input_->End();
  if (alsoOnSignal_) alsoOnSignal_();
}

bool HeldSignals::RunBegins() {
  std::lock_guard lock(mutex_);
  // The update's threads hold the stop signals too: they start from this one.
  pthread_sigmask(SIG_BLOCK, &stops_, nullptr);
  TakePending();  // whatever came before this moment came before the run
  if (quit_) {
    pthread_sigmask(SIG_UNBLOCK, &stops_, nullptr);
    return false;
  }
  stage_ = Stage::Running;
  return true;
}

void HeldSignals::RunEnds() {
  std::lock_guard lock(mutex_);
  TakePending();  // whatever came during the run was held
  stage_ = Stage::After;
  pthread_sigmask(SIG_UNBLOCK, &stops_, nullptr);
}

bool HeldSignals::QuitBeforeRun() {
  std::lock_guard lock(mutex_);
  TakePending();
  return quit_;
}

intptr_t RunWithinBounds(HeldSignals& signals, const std::function<intptr_t()>& run) {
  if (!signals.RunBegins()) return -1;  // a quit came first: nothing is sent
  SleepInhibitor inhibitor;
  inhibitor.Take();
  intptr_t result = run();
  inhibitor.Release();
  signals.RunEnds();
  return result;
}
