// The driver seam over the simulated world. updater-sim reads the scenario from
// the environment variable UPDATER_SIMULATE.
//
// Every call through the seam is counted; the one the scenario names fails, and
// from the call at which the device leaves the bus every call fails, as the
// system's calls fail on a device that has gone. The call a scenario's signal
// names is followed by that signal, as if the user or the system sent it then. A close still releases its
// handle, key or set: the system takes a handle back even when the device is gone.
#include <cstdio>
#include <cstdlib>

#include "device/driver.h"
#include "device/sim/bus.h"
#include "device/sim/registry.h"
#include "platform/clock.h"
#include "platform/clock_internal.h"

namespace driver {
namespace {

// A slow link: each request and write takes this long in real time, so that a
// signal or a session's end can reach the program in the middle of a transfer.
int gLinkMs = 0;
int gSignalCall = 0;

void Lag() {
  if (gLinkMs > 0) platform::system_clock::Sleep(static_cast<uint32_t>(gLinkMs));
}

// One call through the seam, counted; the scenario's signal follows the call it
// names once that call is done.
class Counted {
 public:
  Counted() : fails(sim::CurrentBus().CallFails()) {}
  ~Counted() { sim::CurrentBus().CallDone(); }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  const bool fails;
};

// A signal asked for at a call the program never made is said at the end, with
// the number of calls made: the whole run lies below it.
void SayWhenTheSignalNeverCame() {
  int calls = sim::CurrentBus().DriverCalls();
  if (calls >= gSignalCall) return;
  std::fprintf(stderr, "updater-sim: signal-call at call %d never came: the program made %d calls through the driver\n",
               gSignalCall, calls);
}

}  // namespace

bool Prepare(std::string& refusal) {
  const char* text = std::getenv("UPDATER_SIMULATE");
  sim::Scenario scenario;
  std::string why;
  if (!sim::ParseScenario(text ? text : "", scenario, why)) {
    refusal = "updater-sim: UPDATER_SIMULATE refused: " + why;
    return false;
  }
  if (scenario.fastClock) platform::UseVirtualClock();
  gLinkMs = scenario.linkMs;
  sim::Reset(scenario);
  gSignalCall = scenario.signalCall;
  if (gSignalCall > 0) std::atexit(SayWhenTheSignalNeverCame);
  return true;
}

// The simulated device has no advice to give: the run shows what Windows shows.
std::string TakeAdvice() { return {}; }

Handle OpenDevicePath(const char* path, uint32_t attributes) {
  Counted call;
  if (call.fails) return kInvalidHandle;
  return sim::CurrentBus().Open(path, attributes);
}

bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned) {
  Lag();
  Counted call;
  if (call.fails) {
    *returned = 0;
    return false;
  }
  return sim::CurrentBus().Control(handle, code, in, inSize, out, outSize, returned);
}

bool WriteBytes(Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  Lag();
  Counted call;
  if (call.fails) {
    *written = 0;
    return false;
  }
  return sim::CurrentBus().Write(handle, bytes, count, written);
}

void CloseDeviceHandle(Handle handle) {
  Counted call;
  sim::CurrentBus().Close(handle);
}

}  // namespace driver

namespace driver {

// The printer-class interfaces, the system's version and the registry of the
// simulated world.
DeviceSet OpenPrinterClassDevices() {
  Counted call;
  if (call.fails) return kNoDeviceSet;
  return sim::CurrentBus().OpenPrinterSet();
}

bool EnumPrinterDevice(DeviceSet set, uint32_t index) {
  Counted call;
  return !call.fails && sim::CurrentBus().EnumPrinterDevice(set, index);
}

bool ReadHardwareIds(DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                     uint32_t* error) {
  Counted call;
  if (call.fails) {
    *error = kErrorInvalidHandle;
    return false;
  }
  return sim::CurrentBus().ReadHardwareIds(set, index, buffer, size, required, error);
}

bool EnumPrinterInterface(DeviceSet set, uint32_t index) {
  Counted call;
  return !call.fails && sim::CurrentBus().EnumPrinterInterface(set, index);
}

bool ReadInterfaceDetail(DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size, uint32_t* required) {
  Counted call;
  return !call.fails && sim::CurrentBus().ReadInterfaceDetail(set, index, detail, size, required);
}

void CloseDeviceSet(DeviceSet set) {
  Counted call;
  sim::CurrentBus().ClosePrinterSet(set);
}

bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor) {
  const sim::SystemVersion& system = sim::CurrentBus().System();
  Counted call;
  if (call.fails || !system.readable) return false;
  *platform = system.platform;
  *major = system.major;
  *minor = system.minor;
  return true;
}

RegistryKey OpenRegistryKey(const char* path) {
  Counted call;
  if (call.fails) return kNoRegistryKey;
  return sim::CurrentRegistry().Open(path);
}

bool EnumRegistryKey(RegistryKey key, uint32_t index, char* name, uint32_t size) {
  Counted call;
  return !call.fails && sim::CurrentRegistry().EnumSubkey(key, index, name, size);
}

bool QueryRegistryValue(RegistryKey key, const char* name, uint8_t* buffer, uint32_t* size) {
  Counted call;
  return !call.fails && sim::CurrentRegistry().Query(key, name, buffer, size);
}

void CloseRegistryKey(RegistryKey key) {
  Counted call;
  sim::CurrentRegistry().Close(key);
}

}  // namespace driver
