// The built programs, started as a user or a script starts them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <string>
#include <vector>

#include "app/instance_guard.h"
#include "support/answer_table.h"
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
  for (const testing_support::AnswerRow& c : testing_support::kAnswerRows) {
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
      {"SIGQUIT on the first page", "clock=fast", "", {{"[N]ext  [C]ancel", SIGQUIT}}, 255, "Read the following"},
      {"SIGTERM while the version is read", "silent=1000", "n\n", {{"Checking the current", SIGTERM}}, 255, "Checking"},
      {"standard input closed", "clock=fast", nullptr, {}, 255, "Read the following"},
      {"typed ahead", "silent=2", "n\n",
       {{"Checking the current", 0, nullptr, "n\no\n"}, {"[C]ancel", 0, nullptr, "c\ny\n"}}, 255, "you want to quit"},
  };
  for (const Case& c : cases) {
    testing_support::ProgramRun run;
    run.program = UPDATER_SIM_PATH;
    run.scenario = c.scenario;
    run.input = c.input ? c.input : "";
    run.inputClosed = !c.input;
    run.inputIsTerminal = c.what == std::string("typed ahead");  // keys typed while the version is read
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

// Runs the programs a few at a time, each with an instance mark of its own.
std::vector<Outcome> RunTogether(std::vector<testing_support::ProgramRun> runs, const std::string& dir) {
  std::vector<Outcome> outcomes(runs.size());
  std::atomic<size_t> next{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    std::string own = dir + "/" + std::to_string(t);
    std::filesystem::create_directory(own);
    threads.emplace_back([&, own] {
      for (size_t i; (i = next++) < runs.size();) {
        runs[i].runtimeDir = own;
        outcomes[i] = testing_support::RunProgram(runs[i]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return outcomes;
}

// A signal after each call through the driver in a whole run. Before the first
// write it is a quit: nothing sent, no box after it. From then on it is held and
// the update ends as it would have. Never a stopped or hung program: Ctrl-Z at
// every call of the update; a hangup also ignored on entry (nohup).
TEST(UpdaterSim, NoSignalAtAnyCallCutsAnUpdateShortOrStartsOneUnasked) {
  testing_support::PrivateRuntimeDir dir;
  const std::string note = "\nYou cannot cancel updating once it has started.\n";
  auto runAt = [](const std::string& signal, int call, int ignored = 0) {
    return testing_support::ProgramRun{.program = UPDATER_SIM_PATH, .input = "n\nn\no\nf\n",
                                       .scenario = "clock=fast;signal-call=" + signal + "@" + std::to_string(call),
                                       .limitSeconds = 20, .ignoredSignal = ignored};
  };
  const std::string beyond = testing_support::RunProgram(runAt("INT", 1000000)).err;
  const int calls = std::atoi(beyond.c_str() + beyond.find("made ") + 5);
  const std::pair<std::string, int> rows[] = {{"INT", 0}, {"TERM", 0}, {"HUP", 0}, {"QUIT", 0}, {"HUP", SIGHUP}};
  const size_t used = UPDATER_SANITIZED ? 1 : std::size(rows);  // sanitized: SIGINT, and Ctrl-Z at every 6th call
  std::vector<testing_support::ProgramRun> runs;
  for (size_t r = 0; r < used; ++r) {
    for (int call = 1; call <= calls; ++call) runs.push_back(runAt(rows[r].first, call, rows[r].second));
  }
  auto started = std::chrono::steady_clock::now();
  std::vector<Outcome> outcomes = RunTogether(runs, dir.Path());
  enum Phase { kQuit, kHeld, kAfter };
  std::vector<int> updateCalls;
  int lastQuit = 0, warnedAt = 0;
  auto check = [&](const std::string& signal, int ignored, int call, const Outcome& o, int& phase) {
    SCOPED_TRACE(signal + (ignored ? " ignored" : "") + " at call " + std::to_string(call));
    int now = !Contains(o.out, "Sending data") ? kQuit : o.err == note ? kHeld : kAfter;
    EXPECT_GE(now, phase) << o.out;
    EXPECT_TRUE(!ignored || now == kAfter);
    phase = now;
    if (now == kQuit) {
      EXPECT_TRUE(o.exitCode == 255 && o.err.empty()) << o.exitCode << o.err;
      EXPECT_EQ(o.out.find("5100P - "), o.out.rfind("5100P - ")) << o.out;  // one box at most
      if (Contains(o.out, "5100P - ")) warnedAt = Contains(o.out, "will start") ? call : -1;
      lastQuit = call;
    } else {
      EXPECT_EQ(o.exitCode, 0) << o.out;
      EXPECT_TRUE(Contains(o.out, "successfully completed.") && Contains(o.out, "Controller ==\nVersion: V2.60a-3"))
          << o.out;
      EXPECT_EQ(o.err, now == kHeld ? note : "");
    }
    if (now == kHeld && signal == "INT") updateCalls.push_back(call);
  };
  for (size_t r = 0; r < used; ++r) {
    int phase = rows[r].second ? kAfter : kQuit;
    lastQuit = warnedAt = 0;
    for (int call = 1; call <= calls; ++call) {
      check(rows[r].first, rows[r].second, call, outcomes[r * calls + call - 1], phase);
    }
    EXPECT_EQ(phase, kAfter);
    // Only the status check after the start warning lies between it and the update.
    EXPECT_EQ(warnedAt, lastQuit) << rows[r].first;
  }
  ASSERT_FALSE(updateCalls.empty());
  std::erase_if(updateCalls, [](int call) { return UPDATER_SANITIZED && call % 6 != 0; });
  runs.clear();
  for (int call : updateCalls) runs.push_back(runAt("TSTP", call));
  std::vector<Outcome> stopped = RunTogether(runs, dir.Path());
  for (size_t i = 0; i < stopped.size(); ++i) {
    int phase = kHeld;
    check("TSTP", 0, updateCalls[i], stopped[i], phase);
    EXPECT_EQ(phase, kHeld);
  }
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("[ figures  ] %d calls a run; %zu runs with a signal took %lld ms\n", calls,
              outcomes.size() + stopped.size(), static_cast<long long>(took.count()));
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
    for (const char* piece : {"shutdown:sleep:handle-lid-switch", "NORVA TELIX MZ 5100P firmware updater",
                              "Master Controller Firmware Update", "block"}) {
      EXPECT_TRUE(Contains(during, piece)) << scenario << ": " << piece << " in\n" << during;
    }
    EXPECT_FALSE(after.empty());
    EXPECT_EQ(after.find(lock), std::string::npos) << scenario << "\n" << after;
  }
  // A lock logind refuses is said in one line, and the update goes on.
  ASSERT_EQ(std::system("dbus-send --system --print-reply --dest=org.freedesktop.login1 /org/freedesktop/login1 "
                        "org.freedesktop.DBus.Mock.AddMethod string:org.freedesktop.login1.Manager string:Inhibit "
                        "string:ssss string:h \"string:raise dbus.exceptions.DBusException('Access denied', "
                        "name='org.freedesktop.DBus.Error.AccessDenied')\" >/dev/null"), 0);
  Outcome refused = Start(UPDATER_SIM_PATH, "clock=fast", "n\nn\no\nf\n");
  EXPECT_EQ(refused.exitCode, 0);
  EXPECT_EQ(refused.err, "updater: logind refused to keep the system from shutting down or sleeping during the "
                         "update (Access denied); the update goes on.\n");
}

// A link or another user's file in place of the lock file does not keep the
// user from updating: the program says so and runs.
TEST(UpdaterSim, ALockFileThatCannotBeUsedIsSaidAndTheProgramRuns) {
  if (::geteuid() != 0 || !testing_support::OthersMayRun(UPDATER_SIM_PATH)) GTEST_SKIP() << "needs root";
  const testing_support::ProgramRun run{
      .program = UPDATER_SIM_PATH, .input = "n\nn\no\nf\n", .scenario = "clock=fast", .runAs = 65533};
  const std::string lock = "/tmp/TIS-PROGRAM-65533.lock";  // no other test runs as this user
  for (const char* why : {"Too many levels of symbolic links", "Operation not permitted"}) {
    ::unlink(lock.c_str());
    ASSERT_EQ(why[0] == 'T' ? ::symlink("/nowhere", lock.c_str()) : ::close(::open(lock.c_str(), O_CREAT, 0666)), 0);
    ::chmod(lock.c_str(), 0666);
    Outcome outcome = testing_support::RunProgram(run);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.out;
    EXPECT_EQ(outcome.err, "updater: cannot use the lock file " + lock + " (" + why +
                               "); running without the check for another copy.\n");
  }
  ::unlink(lock.c_str());
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
            "updater-sim: another copy of the updater is already running; this one leaves without doing anything.\n");
  ReleaseInstanceMutex(first);
}

TEST(UpdaterSim, HelpAndVersionAloneAnswerOnStandardOutput) {
  testing_support::PrivateRuntimeDir dir;
  const std::string version = std::string("norva-mz5100p-updater 2.5.3.0\nMaster controller firmware carried: ") +
                              UPDATE_DATA_VERSION + " (development image, for the simulated device only)\n" +
                              "Firmware image SHA-256: " +  // the development image's, as sha256sum gives it
                              "34bda01eb8c7508f55100d6180507445896879b4d295250a839f05c63337171c\n";
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
  // The box carries what standard error says, without the program's name, as a sentence.
  std::string advice = outcome.err.empty() ? "" : "\n" + outcome.err.substr(outcome.err.find(": ") + 2);
  if (!advice.empty()) advice[1] = static_cast<char>(std::toupper(advice[1]));
  EXPECT_TRUE(Contains(outcome.out, testing_support::kLinuxConnectionErrorBox + advice + "[O]K\n")) << outcome.out;
}

}  // namespace
