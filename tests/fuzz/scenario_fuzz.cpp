// The simulated device's scenario text: refused with a reason, or read into a
// world whose every value lies within the documented bounds.
#include <algorithm>
#include <string>
#include <string_view>

#include "device/protocol.h"
#include "device/sim/scenario.h"
#include "fuzz_support.h"

namespace {

bool Printable(const std::string& text, bool blanks) {
  return std::all_of(text.begin(), text.end(), [&](char c) {
    auto u = static_cast<unsigned char>(c);
    return u <= 0x7E && (u > 0x20 || (blanks && u == 0x20));
  });
}

bool VersionWord(const std::string& version) {
  return !version.empty() && version.size() <= 12 && Printable(version, false) && version.find(';') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::Scenario scenario;
  std::string error;
  if (!sim::ParseScenario(text, scenario, error)) {
    fuzz::Check(!error.empty(), "a refusal says why");
    return 0;
  }
  const sim::Scenario& s = scenario;
  fuzz::Check(s.port >= 0 && s.port <= sim::kMaxPort, "the device's port is one of 0 to 20");
  for (int port : s.foreign) {
    fuzz::Check(port >= 0 && port <= sim::kMaxPort, "a foreign port is one of 0 to 20");
    fuzz::Check(!s.devicePresent || port != s.port, "no foreign scanner shares the device's port");
  }
  fuzz::Check(s.status >= 0 && s.status <= 255, "the status is a byte");
  fuzz::Check(VersionWord(s.version) && VersionWord(s.versionAfter), "versions are single printable words");
  fuzz::Check(!s.reply || (s.reply->size() <= kVersionTextLength && Printable(*s.reply, true)),
              "the version text fits the reply");
  fuzz::Check(!s.progress.empty(), "the progress has a reading");
  for (int percent : s.progress) fuzz::Check(percent >= 0 && percent <= 255, "a reading is a byte");
  fuzz::Check(s.silent >= 0 && s.failWrite >= 0 && s.offAfter >= 0 && s.onAfter >= 0, "counts are not negative");
  fuzz::Check(s.offAfter <= 86400 && s.onAfter <= 86400, "the power switch waits at most a day");
  fuzz::Check(s.system.major <= 99 && s.system.minor <= 99, "the system's version is MAJOR.MINOR");
  return 0;
}
