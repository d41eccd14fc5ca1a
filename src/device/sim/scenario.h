// What the simulated world holds: the device and its master controller's
// answers, other devices on the still-image ports, and how the user handles the
// power switch. Read from UPDATER_SIMULATE by updater-sim, built in code by tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr uint16_t kDeviceVendor = 0xFA17;
inline constexpr uint16_t kDeviceProduct = 0x0C3E;
inline constexpr uint16_t kForeignVendor = 0x1B2C;  // another maker's scanner
inline constexpr uint16_t kForeignProduct = 0x0201;
inline constexpr int kMaxPort = 20;
// The first word of the controller's version text.
inline constexpr std::string_view kModelName = "MZ5100P";

enum class Power {
  Auto,   // switched off some seconds after writing reached 100, on again later
  Never,  // never switched off
  Off,    // switched off and never on again
};

// Another device on a still-image port, added by tests.
struct OtherDevice {
  int port = 0;
  uint16_t vendor = kForeignVendor;
  uint16_t product = kForeignProduct;
  bool controller = false;         // true: one more device of our model
  bool refusesDescriptor = false;  // the port fails the descriptor request
};

struct Scenario {
  bool devicePresent = true;
  int port = 0;
  std::vector<int> foreign;
  int status = 0;
  std::string version = "V2.50a-3";
  std::optional<std::string> reply;  // the whole version text, replacing model and version
  std::string versionAfter = "V2.60a-3";
  int silent = 0;
  std::vector<int> progress = {0, 20, 40, 60, 80, 100};
  int failWrite = 0;  // the n-th bulk write fails, the header's being the first; 0: none
  Power power = Power::Auto;
  int offAfter = 3;
  int onAfter = 2;
  bool fastClock = false;

  // Set by tests only.
  std::vector<OtherDevice> others;
  uint32_t writeLimit = 0;  // the driver takes at most this many bytes a write; 0: all
};

// Reads "key=value;key=value". On a refusal returns false with the reason.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

}  // namespace sim
