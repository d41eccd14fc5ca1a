// The driver seam over the simulated world. updater-sim reads the scenario from
// the environment variable UPDATER_SIMULATE.
#include <cstdlib>

#include "device/driver.h"
#include "device/sim/bus.h"
#include "platform/clock.h"

namespace driver {

bool Prepare(std::string& refusal) {
  const char* text = std::getenv("UPDATER_SIMULATE");
  sim::Scenario scenario;
  std::string why;
  if (!sim::ParseScenario(text ? text : "", scenario, why)) {
    refusal = "updater-sim: UPDATER_SIMULATE refused: " + why;
    return false;
  }
  if (scenario.fastClock) platform::UseVirtualClock();
  sim::Reset(scenario);
  return true;
}

Handle OpenDevicePath(const char* path, uint32_t attributes) { return sim::CurrentBus().Open(path, attributes); }

bool DeviceControl(Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned) {
  return sim::CurrentBus().Control(handle, code, in, inSize, out, outSize, returned);
}

bool WriteBytes(Handle handle, const void* bytes, uint32_t count, uint32_t* written) {
  return sim::CurrentBus().Write(handle, bytes, count, written);
}

void CloseDeviceHandle(Handle handle) { sim::CurrentBus().Close(handle); }

}  // namespace driver

namespace driver {

// The simulated world has no printer-class interfaces and an empty registry.
DeviceSet OpenPrinterClassDevices() { return kNoDeviceSet; }
bool EnumPrinterDevice(DeviceSet, uint32_t) { return false; }
bool ReadHardwareIds(DeviceSet, uint32_t, uint8_t*, uint32_t, uint32_t* required, uint32_t* error) {
  *required = 0;
  *error = kErrorInvalidHandle;
  return false;
}
bool EnumPrinterInterface(DeviceSet, uint32_t) { return false; }
bool ReadInterfaceDetail(DeviceSet, uint32_t, uint8_t*, uint32_t, uint32_t* required) {
  *required = 0;
  return false;
}
void CloseDeviceSet(DeviceSet) {}
bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor) {
  *platform = 2;
  *major = 10;
  *minor = 0;
  return true;
}
RegistryKey OpenRegistryKey(const char*) { return kNoRegistryKey; }
bool EnumRegistryKey(RegistryKey, uint32_t, char*, uint32_t) { return false; }
bool QueryRegistryValue(RegistryKey, const char*, uint8_t*, uint32_t*) { return false; }
void CloseRegistryKey(RegistryKey) {}

}  // namespace driver
