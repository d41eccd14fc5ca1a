#include "support/run_program.h"

#include <grp.h>
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

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return text;
}

}  // namespace

ProgramOutcome RunProgram(const ProgramRun& run) {
  int out[2], err[2], in[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0 || ::pipe(in) != 0) return {};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::dup2(in[0], 0);
    ::close(out[0]);
    ::close(err[0]);
    ::close(in[1]);
    if (run.scenario) ::setenv("UPDATER_SIMULATE", run.scenario->c_str(), 1);
    else ::unsetenv("UPDATER_SIMULATE");
    ::setenv("LANG", run.locale.c_str(), 1);
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LC_CTYPE"}) ::unsetenv(variable);
    if (run.runAs) {
      // The other user keeps the instance mark in its own place.
      ::unsetenv("XDG_RUNTIME_DIR");
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
  ::close(in[1]);
  ProgramOutcome outcome;
  outcome.out = ReadAll(out[0]);
  outcome.err = ReadAll(err[0]);
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
