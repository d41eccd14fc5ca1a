#include "support/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

namespace testing_support {
namespace {

// Reads the program's output and error output to their ends, taking the steps
// as their texts appear in the output.
void ReadOutputs(int outFd, int errFd, int inFd, pid_t child, const std::vector<OnOutput>& steps,
                 ProgramOutcome& outcome) {
  pollfd watched[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* texts[2] = {&outcome.out, &outcome.err};
  size_t next = 0, searchFrom = 0;
  while (watched[0].fd >= 0 || watched[1].fd >= 0) {
    if (::poll(watched, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) continue;
      char buffer[4096];
      ssize_t n = ::read(watched[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        ::close(watched[i].fd);
        watched[i].fd = -1;
      } else {
        texts[i]->append(buffer, static_cast<size_t>(n));
      }
    }
    while (next < steps.size()) {
      const OnOutput& step = steps[next];
      size_t at = outcome.out.find(step.after, searchFrom);
      if (at == std::string::npos) break;
      searchFrom = at + step.after.size();
      if (step.signal) ::kill(child, step.signal);
      if (step.action) step.action();
      if (!step.typed.empty() && ::write(inFd, step.typed.data(), step.typed.size()) < 0) outcome.err += "(not typed)";
      ++next;
    }
  }
}

}  // namespace

ProgramOutcome RunProgram(const ProgramRun& run) {
  int out[2], err[2], in[2];
  // Kept from programs that other threads start meanwhile.
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) return {};
  if (run.inputIsTerminal) {
    for (int fd : in) ::close(fd);
    if (::openpty(&in[1], &in[0], nullptr, nullptr, nullptr) != 0) return {};
    for (int fd : in) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::dup2(in[0], 0);
    ::close(out[0]);
    ::close(err[0]);
    ::close(in[1]);
    if (run.inputClosed) ::close(0);
    if (run.ignoredSignal) ::signal(run.ignoredSignal, SIG_IGN);
    if (!run.runtimeDir.empty()) ::setenv("XDG_RUNTIME_DIR", run.runtimeDir.c_str(), 1);
    if (run.scenario) ::setenv("UPDATER_SIMULATE", run.scenario->c_str(), 1);
    else ::unsetenv("UPDATER_SIMULATE");
    ::setenv("LANG", run.locale.c_str(), 1);
    ::setenv("UPDATER_UI", "terminal", 1);  // the wizard these runs type into
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LC_CTYPE"}) ::unsetenv(variable);
    if (run.runAs) {
      // The other user's instance mark: in the caller's runtime folder if opened to it.
      if (::setgroups(0, nullptr) != 0 || ::setgid(*run.runAs) != 0 || ::setuid(*run.runAs) != 0) ::_exit(126);
    }
    std::vector<char*> argv{const_cast<char*>(run.program)};
    for (const std::string& arg : run.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(run.program, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ::close(in[0]);
  // A program that hangs is killed, so that the test fails instead of waiting.
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!ended.wait_for(lock, std::chrono::seconds(run.limitSeconds), [&] { return done; })) ::kill(child, SIGKILL);
  });
  bool written = run.input.empty() ||
                 ::write(in[1], run.input.data(), run.input.size()) == static_cast<ssize_t>(run.input.size());
  if (!run.inputStaysOpen) ::close(in[1]);
  ProgramOutcome outcome;
  ReadOutputs(out[0], err[0], in[1], child, run.steps, outcome);
  if (run.inputStaysOpen) ::close(in[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  ended.notify_all();
  watchdog.join();
  if (!written) outcome.exitCode = -1;
  else if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) outcome.exitCode = 128 + WTERMSIG(status);  // as the shell reports it
  return outcome;
}

bool OthersMayRun(const std::string& path) {
  std::filesystem::path at = std::filesystem::absolute(path);
  struct stat file {};
  if (::stat(at.c_str(), &file) != 0 || !(file.st_mode & S_IXOTH)) return false;
  for (at = at.parent_path(); !at.empty() && at != at.root_path(); at = at.parent_path()) {
    struct stat folder {};
    if (::stat(at.c_str(), &folder) != 0 || !(folder.st_mode & S_IXOTH)) return false;
  }
  return true;
}

}  // namespace testing_support
