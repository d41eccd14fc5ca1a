// The built programs, started as a user or a script starts them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/instance_guard.h"
#include "support/runtime_dir.h"

namespace {

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return text;
}

// Runs a program with the scenario (unset when null) and no input.
Outcome Start(const char* program, const char* scenario, std::vector<std::string> args = {}) {
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    int nothing = ::open("/dev/null", O_RDONLY);
    ::dup2(nothing, 0);
    ::close(out[0]);
    ::close(err[0]);
    if (scenario) ::setenv("UPDATER_SIMULATE", scenario, 1);
    else ::unsetenv("UPDATER_SIMULATE");
    std::vector<char*> argv{const_cast<char*>(program)};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(program, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Outcome outcome;
  outcome.out = ReadAll(out[0]);
  outcome.err = ReadAll(err[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(UpdaterSim, RunsOnTheDefaultScenario) {
  testing_support::PrivateRuntimeDir dir;
  Outcome outcome = Start(UPDATER_SIM_PATH, nullptr, {"/r", "/c"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_NE(outcome.out.find("connected"), std::string::npos) << outcome.out;
  EXPECT_EQ(outcome.err, "");
}

TEST(UpdaterSim, RefusesABadScenarioBeforeAnythingElse) {
  testing_support::PrivateRuntimeDir dir;
  const std::pair<const char*, const char*> cases[] = {
      {"colour=blue", "unknown key 'colour'"},
      {"port=21", "port"},
      {"status=x", "status"},
      {"device", "key=value"},
      {"power=sometimes", "power"},
      {"progress=10,,20", "progress"},
  };
  for (const auto& [scenario, reason] : cases) {
    Outcome outcome = Start(UPDATER_SIM_PATH, scenario);
    EXPECT_EQ(outcome.exitCode, 2) << scenario;
    EXPECT_EQ(outcome.out, "") << scenario;
    EXPECT_NE(outcome.err.find("UPDATER_SIMULATE"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
  }
}

TEST(UpdaterSim, ASecondCopyExitsAtOnceAndSilently) {
  testing_support::PrivateRuntimeDir dir;
  InstanceMutex first = TakeInstanceMutex();
  ASSERT_NE(first, kNoInstanceMutex);
  Outcome outcome = Start(UPDATER_SIM_PATH, "device=absent");
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  ReleaseInstanceMutex(first);
}

TEST(Updater, TheLinuxProgramFindsNoDeviceYet) {
  testing_support::PrivateRuntimeDir dir;
  Outcome outcome = Start(UPDATER_PATH, "colour=blue");  // the product ignores the simulation
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_NE(outcome.out.find("No device was found"), std::string::npos) << outcome.out;
}

}  // namespace
