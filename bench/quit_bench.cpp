// Starts updater-sim on a device that never gives its version, asks it to end
// while it reads the version, as Ctrl-C or the system would, and prints how
// long the program took to end. Before an update a quit ends the program within
// about a second, also in the middle of a request the device is slow to answer.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct Ending {
  long ms = -1;  // from the signal to the program's end
  int status = -1;
};

Ending EndDuringTheVersionRead(const char* scenario, int signal) {
  int out[2], in[2];
  if (::pipe(out) != 0 || ::pipe(in) != 0) return {};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::close(in[1]);
    ::close(out[0]);
    ::setenv("UPDATER_SIMULATE", scenario, 1);
    ::setenv("LANG", "C", 1);
    ::execl(UPDATER_SIM_PATH, UPDATER_SIM_PATH, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  // Next on the first page; the input stays open, as a terminal's.
  [[maybe_unused]] ssize_t typed = ::write(in[1], "n\n", 2);
  std::string shown;
  char buffer[4096];
  for (ssize_t n = 1; n > 0 && shown.find("Checking the current") == std::string::npos;) {
    n = ::read(out[0], buffer, sizeof buffer);
    if (n > 0) shown.append(buffer, static_cast<size_t>(n));
  }
  ::usleep(1500 * 1000);  // well into the tries
  auto sent = std::chrono::steady_clock::now();
  ::kill(child, signal);
  while (::read(out[0], buffer, sizeof buffer) > 0) {
  }
  Ending ending;
  ::waitpid(child, &ending.status, 0);
  ending.ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count());
  ::close(in[1]);
  ::close(out[0]);
  return ending;
}

}  // namespace

int main() {
  // An instance mark of its own, beside any copy a user runs.
  std::string dir = (std::filesystem::temp_directory_path() / "quit-bench-XXXXXX").string();
  if (!::mkdtemp(dir.data())) return 1;
  ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  struct Case {
    const char* what;
    const char* scenario;
    int signal;
  };
  const Case cases[] = {
      {"SIGTERM, the device answering without a version", "silent=1000000", SIGTERM},
      {"SIGINT, each request taking 750 ms", "silent=1000000;link-ms=750", SIGINT},
      {"SIGQUIT, each request taking 750 ms", "silent=1000000;link-ms=750", SIGQUIT},
  };
  int failed = 0;
  for (const Case& c : cases) {
    Ending ending = EndDuringTheVersionRead(c.scenario, c.signal);
    int code = WIFEXITED(ending.status) ? WEXITSTATUS(ending.status) : -1;
    std::printf("[ quit     ] %s, in the version read: ended after %ld ms, exit status %d\n", c.what, ending.ms,
                code);
    if (code != 255) ++failed;
  }
  std::filesystem::remove_all(dir);
  return failed == 0 ? 0 : 1;
}
