// The scenario text of the simulated device: "key=value;key=value".
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "device/sim/scenario.h"

namespace {

using sim::Power;
using sim::Scenario;

// Every field the scenario text can set, so that whole scenarios compare at once.
struct Fields {
  bool devicePresent;
  int port;
  std::vector<int> foreign;
  int status;
  std::string version;
  std::optional<std::string> reply;
  std::string versionAfter;
  int silent;
  std::vector<int> progress;
  int failWrite;
  int failCall;
  int leaveCall;
  Power power;
  int offAfter;
  int onAfter;
  bool fastClock;
  bool printerPresent;
  sim::SystemVersion system;
  bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const Scenario& s) {
  return {s.devicePresent, s.port,      s.foreign,  s.status,    s.version, s.reply,    s.versionAfter,
          s.silent,        s.progress,  s.failWrite, s.failCall, s.leaveCall, s.power,  s.offAfter,
          s.onAfter,       s.fastClock, s.printerPresent, s.system};
}

const Fields kShipped{true, 0, {}, 0, "V2.50a-3", std::nullopt, "V2.60a-3", 0, {0, 20, 40, 60, 80, 100},
                      0,    0, 0, Power::Auto, 3, 2, false, false, {2, 10, 0, true}};

void PrintTo(const Fields& f, std::ostream* out) {
  *out << "port " << f.port << ", status " << f.status << ", version " << f.version << ", reply "
       << f.reply.value_or("(none)") << ", after " << f.versionAfter << ", silent " << f.silent << ", fail-write "
       << f.failWrite << ", fail-call " << f.failCall << ", leave-call " << f.leaveCall << ", power "
       << static_cast<int>(f.power) << ", off " << f.offAfter << ", on " << f.onAfter
       << (f.devicePresent ? ", present" : ", absent") << (f.fastClock ? ", fast" : ", real")
       << (f.printerPresent ? ", printer" : ", no printer") << ", os " << f.system.platform << "/" << f.system.major
       << "." << f.system.minor << (f.system.readable ? "" : " unreadable");
  *out << ", foreign";
  for (int port : f.foreign) *out << ' ' << port;
  *out << ", progress";
  for (int percent : f.progress) *out << ' ' << percent;
}

Fields Parsed(const std::string& text) {
  Scenario scenario;
  std::string error;
  EXPECT_TRUE(sim::ParseScenario(text, scenario, error)) << text << ": " << error;
  return FieldsOf(scenario);
}

TEST(SimScenario, AnEmptyTextGivesTheShippedDevice) {
  EXPECT_EQ(Parsed(""), kShipped);
  EXPECT_EQ(Parsed(";;;"), kShipped);  // nothing but empty items
}

TEST(SimScenario, EveryKeyIsRead) {
  const Fields expected{false, 7,           {1, 2, 20}, 255,     "V9.99z-12345", "MZ  odd   text", "V3.00b-1", 4,
                        {5, 50, 100, 255}, 3, 17,         1000000, Power::Never,   86400,            0,          true,
                        true,              {2, 5, 1, true}};
  EXPECT_EQ(Parsed("device=absent;port=7;foreign=1,2,20;status=255;version=V9.99z-12345;"
                   "reply=MZ  odd   text;version-after=V3.00b-1;silent=4;progress=5,50,100,255;"
                   "fail-write=3;fail-call=17;leave-call=1000000;power=never;off-after=86400;on-after=0;clock=fast;"
                   "printer=present;os=5.1"),
            expected);
}

TEST(SimScenario, EachKeyAloneChangesOnlyItsField) {
  struct Case {
    const char* text;
    void (*change)(Fields&);
  };
  const Case cases[] = {
      {"device=absent", [](Fields& f) { f.devicePresent = false; }},
      {"device=present", [](Fields&) {}},
      {"port=20", [](Fields& f) { f.port = 20; }},
      {"foreign=3", [](Fields& f) { f.foreign = {3}; }},
      {"status=1", [](Fields& f) { f.status = 1; }},
      {"version=V1", [](Fields& f) { f.version = "V1"; }},
      {"version=ABCDEFGHIJKL", [](Fields& f) { f.version = "ABCDEFGHIJKL"; }},  // 12 characters
      {"reply=", [](Fields& f) { f.reply = ""; }},
      {"reply=  ", [](Fields& f) { f.reply = "  "; }},
      {"reply=12345678901234567890", [](Fields& f) { f.reply = "12345678901234567890"; }},
      {"version-after=X", [](Fields& f) { f.versionAfter = "X"; }},
      {"silent=1000000", [](Fields& f) { f.silent = 1000000; }},
      {"progress=100", [](Fields& f) { f.progress = {100}; }},
      {"progress=0,40,0,80,100", [](Fields& f) { f.progress = {0, 40, 0, 80, 100}; }},
      {"fail-write=1", [](Fields& f) { f.failWrite = 1; }},
      {"fail-call=1", [](Fields& f) { f.failCall = 1; }},
      {"leave-call=93", [](Fields& f) { f.leaveCall = 93; }},
      {"power=off", [](Fields& f) { f.power = Power::Off; }},
      {"power=auto", [](Fields&) {}},
      {"off-after=0", [](Fields& f) { f.offAfter = 0; }},
      {"on-after=86400", [](Fields& f) { f.onAfter = 86400; }},
      {"clock=real", [](Fields&) {}},
      {"printer=present", [](Fields& f) { f.printerPresent = true; }},
      {"printer=absent", [](Fields&) {}},
      {"os=10.0", [](Fields&) {}},
      {"os=4.0", [](Fields& f) { f.system = {2, 4, 0, true}; }},
      {"os=3.51", [](Fields& f) { f.system = {2, 3, 51, true}; }},
      {"os=4.10", [](Fields& f) { f.system = {2, 4, 10, true}; }},
      {"os=6.01", [](Fields& f) { f.system = {2, 6, 1, true}; }},
      {"os=0.0", [](Fields& f) { f.system = {2, 0, 0, true}; }},
      {"os=99.99", [](Fields& f) { f.system = {2, 99, 99, true}; }},
      {"device=absent;printer=present", [](Fields& f) {
         f.devicePresent = false;
         f.printerPresent = true;
       }},
      {"device=absent;foreign=0", [](Fields& f) {
         f.devicePresent = false;
         f.foreign = {0};
       }},
  };
  for (const Case& c : cases) {
    Fields expected = kShipped;
    c.change(expected);
    EXPECT_EQ(Parsed(c.text), expected) << c.text;
  }
}

TEST(SimScenario, EmptyItemsAnywhereAreIgnored) {
  Fields expected = kShipped;
  expected.port = 4;
  expected.status = 9;
  for (const char* text : {"port=4;status=9;", "port=4;;status=9", ";port=4;;;status=9;;"}) {
    EXPECT_EQ(Parsed(text), expected) << text;
  }
}

TEST(SimScenario, ALaterItemOverridesAnEarlierOne) {
  Fields expected = kShipped;
  expected.port = 2;
  expected.progress = {7};
  EXPECT_EQ(Parsed("port=1;progress=1,2,3;port=2;progress=7"), expected);
}

TEST(SimScenario, RefusedTextsNameTheirFaultAndLeaveTheScenarioAlone) {
  struct Case {
    const char* text;
    const char* named;  // what the reason must mention
  };
  const Case cases[] = {
      {"colour=red", "colour"},
      {"port=1;speed", "speed"},
      {"port=21", "port"},
      {"port=-1", "port"},
      {"port=x", "port"},
      {"port=", "port"},
      {"port=1x", "port"},
      {"status=256", "status"},
      {"version=", "version"},
      {"version=V2 50", "version"},
      {"version=ABCDEFGHIJKLM", "version"},  // 13 characters
      {"version-after=", "version-after"},
      {"reply=123456789012345678901", "reply"},  // 21 characters
      {"progress=1,,2", "progress"},
      {"progress=", "progress"},
      {"progress=256", "progress"},
      {"progress=0,50,", "progress"},
      {"fail-write=0", "fail-write"},
      {"fail-call=0", "fail-call"},
      {"signal-call=KILL@3", "signal-call"},
      {"signal-call=INT@0", "signal-call"},
      {"leave-call=", "leave-call"},
      {"leave-call=1000001", "leave-call"},
      {"power=sometimes", "power"},
      {"clock=slow", "clock"},
      {"link-ms=10001", "link-ms"},
      {"device=gone", "device"},
      {"off-after=-1", "off-after"},
      {"on-after=86401", "on-after"},
      {"silent=-1", "silent"},
      {"foreign=0", "foreign"},  // the device's own port
      {"port=5;foreign=1,5", "foreign"},
      {"foreign=5;port=5", "foreign"},
      {"foreign=21", "foreign"},
      {"port=3;bogus=1;status=4", "bogus"},
      {"printer=yes", "printer"},
      {"printer=", "printer"},
      {"os=", "os"},
      {"os=5", "os"},
      {"os=5.", "os"},
      {"os=.1", "os"},
      {"os=5.1.2", "os"},
      {"os=100.0", "os"},
      {"os=5.100", "os"},
      {"os=-5.1", "os"},
      {"os=5.-1", "os"},
      {"os=x.y", "os"},
      {"os=5,1", "os"},
      {"os=XP", "os"},
  };
  for (const Case& c : cases) {
    Scenario scenario;
    scenario.port = 11;
    scenario.status = 42;
    scenario.progress = {9};
    scenario.reply = "before";
    scenario.printerPresent = true;
    scenario.system = {1, 4, 90, true};
    Fields before = FieldsOf(scenario);
    std::string error;
    EXPECT_FALSE(sim::ParseScenario(c.text, scenario, error)) << c.text;
    EXPECT_NE(error.find(c.named), std::string::npos) << c.text << ": " << error;
    EXPECT_EQ(FieldsOf(scenario), before) << c.text;
  }
}

}  // namespace
