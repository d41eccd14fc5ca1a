// The built programs, started as a user or a script starts them.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <string>
#include <vector>

#include "app/instance_guard.h"
#include "support/logind_mock.h"
#include "support/run_program.h"
#include "update/queries.h"
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

TEST(UpdaterSim, SignalsEndTheProgramBeforeAnUpdateAndWaitForARunningOne) {
  testing_support::PrivateRuntimeDir dir;
  // A slow link, so that each signal reaches the program in the step it names.
  const std::string slow = "clock=fast;link-ms=30;progress=0,10,20,30,40,50,60,70,80,90,100;off-after=10";
  const std::string failing = slow + ";fail-write=12";
  const std::string note = "You cannot cancel updating once it has started.";
  struct Case {
    const char* what;
    std::string scenario;
    const char* input;
    std::vector<testing_support::OnOutput> signals;
    int exitCode;
    const char* shown;
  };
  const Case cases[] = {
      {"SIGINT on the first page", "clock=fast", "", {{"[N]ext  [C]ancel", SIGINT}}, 255, "Read the following"},
      {"SIGTERM on the confirmation page", slow, "n\n", {{"Click [Next]", SIGTERM}}, 255, "V2.60a-3"},
      {"SIGHUP at the start warning", slow, "n\nn\n", {{"[O]K  [C]ancel", SIGHUP}}, 255, "will start"},
      {"SIGINT twice during the transfer", slow, "n\nn\no\n", {{"Sending data", SIGINT}, {"%", SIGINT}}, 0,
       "successfully completed"},
      {"SIGTERM during the transfer", slow, "n\nn\no\n", {{"Sending data", SIGTERM}}, 0, "successfully completed"},
      {"SIGINT while the device writes", slow, "n\nn\no\n", {{"Overwriting", SIGINT}}, 0, "successfully completed"},
      {"SIGTERM while the device writes", slow, "n\nn\no\n", {{"Overwriting", SIGTERM}}, 0, "successfully completed"},
      {"SIGHUP during the power-cycle watch", slow, "n\nn\no\n", {{"Turn the power off", SIGHUP}}, 0,
       "successfully completed"},
      {"SIGTERM during a transfer that fails", failing, "n\nn\no\n", {{"Sending data", SIGTERM}}, 255, "Update Error"},
  };
  for (const Case& c : cases) {
    testing_support::ProgramRun run;
    run.program = UPDATER_SIM_PATH;
    run.scenario = c.scenario;
    run.input = c.input;
    run.inputStaysOpen = true;  // only the signal can end the program
    run.steps = c.signals;
    run.limitSeconds = 30;
    Outcome outcome = testing_support::RunProgram(run);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.what << "\n" << outcome.out;
    EXPECT_TRUE(Contains(outcome.out, c.shown)) << c.what << "\n" << outcome.out;
    bool ran = Contains(outcome.out, "Sending data");
    EXPECT_EQ(ran, c.exitCode == 0 || Contains(c.what, "fails")) << c.what << "\n" << outcome.out;
    // Said once during a run, however often asked; nothing said before one.
    EXPECT_EQ(outcome.err, ran ? "\n" + note + "\n" : "") << c.what;
  }
}

TEST(UpdaterSim, HoldsALogindInhibitorWhileAnUpdateRuns) {
  testing_support::PrivateRuntimeDir dir;
  testing_support::LogindMock logind;
  if (!logind.Ready()) GTEST_SKIP() << logind.Problem();
  const std::string slow = "clock=fast;link-ms=20";
  const std::string lock = "shutdown:sleep";
  const std::pair<std::string, int> cases[] = {{slow, 0}, {slow + ";fail-write=12", 255}};
  for (const auto& [scenario, exitCode] : cases) {
    std::string before, during, after;
    testing_support::ProgramRun run;
    run.program = UPDATER_SIM_PATH;
    run.scenario = scenario;
    run.input = "n\n";  // the rest once the confirmation page shows, after the snapshot
    run.inputStaysOpen = true;
    run.limitSeconds = 30;
    auto released = [&] {
      // logind learns of the release when the descriptor closes, in its own time.
      for (int tries = 0; tries < 50 && (after = logind.Inhibitors()).find(lock) != std::string::npos; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    };
    run.steps = {{"Click [Next]", 0, [&] { before = logind.Inhibitors(); }, "n\no\n"},
                 {"Sending data", 0, [&] { during = logind.Inhibitors(); }},
                 {exitCode == 0 ? "successfully completed" : "Update Error", 0, released},
                 {"", SIGTERM}};
    Outcome outcome = testing_support::RunProgram(run);
    EXPECT_EQ(outcome.exitCode, exitCode) << scenario << "\n" << outcome.out;
    EXPECT_EQ(before.find(lock), std::string::npos) << before;
    for (const char* piece : {"shutdown:sleep", "NORVA TELIX MZ 5100P firmware updater",
                              "Master Controller Firmware Update", "block"}) {
      EXPECT_TRUE(Contains(during, piece)) << scenario << ": " << piece << " in\n" << during;
    }
    EXPECT_FALSE(after.empty());
    EXPECT_EQ(after.find(lock), std::string::npos) << scenario << "\n" << after;
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

TEST(UpdaterSim, TheTerminalsWordsFollowTheLocaleInItsCharacterSet) {
  testing_support::PrivateRuntimeDir dir;
  struct Case {
    const char* locale;
    const char* heading;  // the start of the precautions page, as the terminal receives it
    const char* buttons;
    const char* box;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", "M\xc3\xb6" "chten Sie", "[n] Weiter  [c] Abbrechen\n", "[y] Ja  [n] Nein\n"},
      {"de_DE.ISO-8859-1", "M\xf6" "chten Sie", "[n] Weiter  [c] Abbrechen\n", "[y] Ja  [n] Nein\n"},
      {"ja_JP.UTF-8", "5100P\n\xe3\x83\xa1\xe3\x82\xa4", "[n] \xe6\xac\xa1\xe3\x81\xb8  [c] \xe3\x82\xad", "[y] \xe3\x81\xaf"},
      // A terminal that cannot show the language's letters shows a stand-in for each.
      {"ja_JP.ISO-8859-1", "5100P\n??", "[n] ??  [c] ?????\n", "[y] ??  [n] ???\n"},
      {"C", "Do you want", "[N]ext  [C]ancel\n", "[Y]es  [N]o\n"},
  };
  for (const Case& c : cases) {
    testing_support::ProgramRun run;
    run.program = UPDATER_SIM_PATH;
    run.scenario = "clock=fast";
    run.input = "c\ny\n";
    run.locale = c.locale;
    Outcome outcome = testing_support::RunProgram(run);
    EXPECT_EQ(outcome.exitCode, 255) << c.locale;
    for (const char* piece : {c.heading, c.buttons, c.box}) {
      EXPECT_TRUE(Contains(outcome.out, piece)) << c.locale << ": " << piece << "\n" << outcome.out;
    }
  }
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

TEST(UpdaterSim, ASecondCopyExitsAtOnceSayingSoOnStandardError) {
  testing_support::PrivateRuntimeDir dir;
  InstanceMutex first = TakeInstanceMutex();
  ASSERT_NE(first, kNoInstanceMutex);
  Outcome outcome = Start(UPDATER_SIM_PATH, "device=absent");
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "updater: another copy of the updater is already running; this one leaves without doing anything.\n");
  ReleaseInstanceMutex(first);
}

TEST(UpdaterSim, HelpAndVersionAloneAnswerOnStandardOutput) {
  testing_support::PrivateRuntimeDir dir;
  const std::string version = std::string("norva-mz5100p-updater 2.5.3.0\nMaster controller firmware carried: ") +
                              UPDATE_DATA_VERSION + " (development image, for the simulated device only)\n";
  for (const char* program : {UPDATER_PATH, UPDATER_SIM_PATH}) {
    // Before the scenario is read: a refused one does not stop them.
    Outcome help = Start(program, "colour=blue", "", {"--help"});
    EXPECT_EQ(help.exitCode, 0) << program << help.err;
    EXPECT_EQ(help.err, "");
    for (const char* piece : {"Usage: updater", " [/R] [/C]\n", "  /R ", "  /C ", "LC_MESSAGES", "  255 ", "  2 ",
                              "60-updater-device.rules", "as root"}) {
      EXPECT_TRUE(Contains(help.out, piece)) << piece << "\n" << help.out;
    }
    Outcome shown = Start(program, nullptr, "", {"--version"});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, version);
    EXPECT_EQ(shown.err, "");
  }
  // Anywhere else, or in other letters, they are words of the wizard's command line.
  for (std::vector<std::string> args : {std::vector<std::string>{"--version", "/R"}, {"--HELP"}, {"-h"}}) {
    Outcome outcome = Start(UPDATER_SIM_PATH, "clock=fast", "", args);
    EXPECT_EQ(outcome.exitCode, 255) << args[0];
    EXPECT_TRUE(Contains(outcome.out, "Read the following contents")) << args[0];
  }
}

TEST(Updater, TheLinuxProgramWithoutADeviceShowsTheConnectionError) {
  testing_support::PrivateRuntimeDir dir;
  // The product ignores the simulation.
  Outcome outcome = Start(UPDATER_PATH, "colour=blue", "n\no\nc\ny\n");
  EXPECT_EQ(outcome.exitCode, 255);
  EXPECT_TRUE(Contains(outcome.out, "Connection Error")) << outcome.out;
}

}  // namespace
