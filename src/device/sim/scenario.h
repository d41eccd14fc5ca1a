// What the simulated world holds: the device and its master controller's
// answers, other devices on the still-image ports, the printer-class interfaces,
// the system's version and registry, and how the user handles the power switch.
// Read from UPDATER_SIMULATE by updater-sim, built in code by tests.
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

// A device interface of the printer-class driver.
struct PrinterInterface {
  enum class Behind {
    TheDevice,          // the device's own master controller, also behind its still-image port
    AnotherController,  // one more device of our model
    ForeignPrinter,     // another maker's printer: takes bytes, stalls every request
  };
  enum class Property {
    Present,     // the hardware-ID property reads
    Missing,     // the device has none (the read fails with kErrorInvalidData)
    Unreadable,  // the read fails with another error
  };
  std::string path;                      // the device path the interface detail holds
  std::vector<std::string> hardwareIds;  // the hardware-ID property, most specific first
  Property property = Property::Present;
  bool secondOpenFails = false;  // an open while the interface already has a handle open fails
  Behind behind = Behind::TheDevice;
  bool operator==(const PrinterInterface&) const = default;
};

// The device's own printer-class interface (interface 1 of the device).
PrinterInterface DevicePrinterInterface();

// What the system's version query answers.
struct SystemVersion {
  uint32_t platform = 2;  // 0 Win32s, 1 Windows 95 family, 2 NT family
  uint32_t major = 10;
  uint32_t minor = 0;
  bool readable = true;  // false: the query fails
  bool operator==(const SystemVersion&) const = default;
};

// A value under a registry key: its bytes exactly as stored.
struct RegistryValue {
  std::string name;
  std::string bytes;
  bool operator==(const RegistryValue&) const = default;
};
// A string value stored the usual way, with its terminator.
RegistryValue StringValue(std::string name, std::string_view text);

// A key under HKEY_LOCAL_MACHINE ("SYSTEM\CurrentControlSet\..."), created with
// the keys above it, and values set in it.
struct RegistryEntry {
  std::string path;
  std::vector<RegistryValue> values;
  bool operator==(const RegistryEntry&) const = default;
};

// Where the system records USB devices, and the names it gives ours.
inline constexpr std::string_view kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";
inline constexpr std::string_view kStillImageDeviceKey = "VID_FA17&PID_0C3E&MI_00";
inline constexpr std::string_view kPrinterDeviceKey = "VID_FA17&PID_0C3E&MI_01";

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
  // Calls through the driver, counted from 1 over every kind (opens, requests,
  // writes, closes, printer-class, system-version and registry calls); 0: none.
  int failCall = 0;   // this one call fails
  int leaveCall = 0;  // from this call on every call fails: the device has left the bus
  // Once this call is done, the program is sent the signal of this name ("INT",
  // "TERM", "HUP", "QUIT", "TSTP", "TTIN", "TTOU"); 0: none.
  int signalCall = 0;
  std::string signalName;
  Power power = Power::Auto;
  int offAfter = 3;
  int onAfter = 2;
  bool fastClock = false;
  int linkMs = 0;  // real time every device request and bulk write takes, whatever the clock
  bool printerPresent = false;  // the device also shows its printer-class interface
  SystemVersion system;

  // Set by tests only.
  std::vector<OtherDevice> others;
  uint32_t writeLimit = 0;  // the driver takes at most this many bytes a write; 0: all
  uint32_t writeOverstated = 0;  // the driver reports this many bytes more written than it took
  int powerCycles = -1;  // the user switches the device off and on this many times, then no more; -1: always
  std::vector<PrinterInterface> printers;  // listed after the device's own interface
  // The registry records the devices present: the device's composite key and
  // its interfaces' instances with their driver services, and the foreign
  // scanners'. False: only the keys below.
  bool registryFollowsDevices = true;
  std::vector<RegistryEntry> registry;  // more keys, after the devices'
};

// Reads "key=value;key=value". On a refusal returns false with the reason.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

}  // namespace sim
