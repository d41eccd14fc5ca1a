// The built programs, started as a user or a script starts them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/instance_guard.h"
#include "support/run_program.h"
#include "support/runtime_dir.h"

namespace {

using Outcome = testing_support::ProgramOutcome;

// Runs a program with the scenario (unset when null), the given standard input
// and arguments.
Outcome Start(const char* program, const char* scenario, const std::string& input = "",
              std::vector<std::string> args = {}) {
  testing_support::ProgramRun run;
  run.program = program;
  run.args = std::move(args);
  run.input = input;
  if (scenario) run.scenario = scenario;
  return testing_support::RunProgram(run);
}

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST(UpdaterSim, AnswersOnStandardInputGiveTheExitCodes) {
  testing_support::PrivateRuntimeDir dir;
  struct Case {
    const char* what;
    const char* scenario;
    const char* input;
    int exitCode;
    const char* shown;
  };
  const Case cases[] = {
      {"the full update", "clock=fast", "n\nn\no\nf\n", 0, "successfully completed"},
      {"the input ends on the result page", "clock=fast", "n\nn\no\n", 0, "successfully completed"},
      {"the input ends at once", "clock=fast", "", 255, "Read the following contents"},
      {"quitting confirmed", "clock=fast", "c\ny\n", 255, "Are you sure you want to quit"},
      {"quitting refused, then the input ends", "clock=fast", "c\nn\n", 255, "Are you sure you want to quit"},
      {"no device, then quitting", "device=absent;clock=fast", "n\no\nc\ny\n", 255, "Connection Error"},
      {"already current", "version=V2.60a-3;clock=fast", "n\no\n", 0, "has already been updated"},
      {"incompatible", "version=V2.50a-2;clock=fast", "n\no\n", 255, "not compatible"},
      {"the start warning refused", "clock=fast", "n\nn\nc\n", 255, "will start"},
      {"the device not ready", "status=1;clock=fast", "n\no\n", 255, "Update Error"},
      {"the update failing", "fail-write=2;clock=fast", "n\nn\no\no\n", 255, "Update Error"},
      {"the writing stalled", "progress=50;clock=fast", "n\nn\no\no\n", 255, "Update Error"},
      {"back with the old firmware", "version-after=V2.50a-3;clock=fast", "n\nn\no\nf\n", 255, "Update Error"},
  };
  for (const Case& c : cases) {
    Outcome outcome = Start(UPDATER_SIM_PATH, c.scenario, c.input);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.what << "\n" << outcome.out;
    EXPECT_TRUE(Contains(outcome.out, c.shown)) << c.what << "\n" << outcome.out;
    EXPECT_EQ(outcome.err, "") << c.what;
  }
}

TEST(UpdaterSim, OptionsOnTheCommandLine) {
  testing_support::PrivateRuntimeDir dir;
  // /R lets the same version be written again; /C also an incompatible one.
  Outcome again = Start(UPDATER_SIM_PATH, "version=V2.60a-3;clock=fast", "n\nn\no\nf\n", {"/r"});
  EXPECT_EQ(again.exitCode, 0) << again.out;
  EXPECT_TRUE(Contains(again.out, "successfully completed"));
  Outcome other = Start(UPDATER_SIM_PATH, "version=V2.50a-2;clock=fast", "n\nn\no\nf\n", {"/C"});
  EXPECT_EQ(other.exitCode, 0) << other.out;
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

TEST(Updater, TheLinuxProgramWithoutADeviceShowsTheConnectionError) {
  testing_support::PrivateRuntimeDir dir;
  // The product ignores the simulation.
  Outcome outcome = Start(UPDATER_PATH, "colour=blue", "n\no\nc\ny\n");
  EXPECT_EQ(outcome.exitCode, 255);
  EXPECT_TRUE(Contains(outcome.out, "Connection Error")) << outcome.out;
}

}  // namespace
