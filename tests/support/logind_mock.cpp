#include "support/logind_mock.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace testing_support {
namespace {

// The system's own Python, which has the Debian packages.
const char* Python() { return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

std::string Output(const std::string& command, int* status = nullptr) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[512];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  int ended = ::pclose(pipe);
  if (status) *status = ended;
  return text;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace

LogindMock::LogindMock() {
  int status = 0;
  Output(std::string(Python()) + " -c 'import dbusmock' 2>/dev/null", &status);
  if (status != 0) {
    problem_ = "python3-dbusmock is not installed";
    return;
  }
  std::string started = Output(
      "dbus-daemon --config-file=/usr/share/dbus-1/session.conf --fork --print-address=1 --print-pid=1 2>/dev/null");
  size_t line = started.find('\n');
  if (line == std::string::npos || line == 0) {
    problem_ = "dbus-daemon could not start a private bus";
    return;
  }
  std::string address = started.substr(0, line);
  bus_ = static_cast<pid_t>(std::atoi(started.c_str() + line + 1));
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  logind_ = ::fork();
  if (logind_ == 0) {
    // Its log of the calls stays out of the test's output.
    if (int quiet = ::open("/dev/null", O_WRONLY); quiet >= 0) ::dup2(quiet, STDOUT_FILENO);
    ::execlp(Python(), Python(), "-m", "dbusmock", "--system", "--template", "logind", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int tries = 0; tries < 100; ++tries) {
    if (!Inhibitors().empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  problem_ = "dbusmock's logind did not come up on the private bus";
}

LogindMock::~LogindMock() {
  Stop(logind_);
  if (bus_ > 0) ::kill(bus_, SIGTERM);  // not our child: dbus-daemon forked away
  ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

std::string LogindMock::Inhibitors() const {
  int status = 0;
  std::string reply = Output(
      "dbus-send --system --print-reply --dest=org.freedesktop.login1 /org/freedesktop/login1 "
      "org.freedesktop.login1.Manager.ListInhibitors 2>/dev/null",
      &status);
  return status == 0 ? reply : "";
}

}  // namespace testing_support
