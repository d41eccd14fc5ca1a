// The simulated still-image driver: the ports "\\.\UsbscanN" with their pipes,
// the devices on them, and a log of every call the program makes.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/driver.h"
#include "device/sim/controller.h"
#include "device/sim/scenario.h"

namespace sim {

struct Call {
  enum Kind { Open, Control, Write, Close };
  Kind kind;
  std::string path;          // Open: the name opened
  driver::Handle handle;     // Open: the handle given out; others: the handle used
  uint32_t code = 0;         // Open: the file attributes; Control: the driver request
  std::vector<uint8_t> input;  // Control: the input buffer
  uint32_t size = 0;         // Control: output size; Write: bytes asked
  uint32_t done = 0;         // Control: bytes returned; Write: bytes taken
  bool ok = false;
};

class Bus {
 public:
  explicit Bus(const Scenario& scenario);

  driver::Handle Open(const char* path, uint32_t attributes);
  bool Control(driver::Handle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
               uint32_t outSize, uint32_t* returned);
  bool Write(driver::Handle handle, const void* bytes, uint32_t count, uint32_t* written);
  void Close(driver::Handle handle);

  // Inspection by tests.
  std::vector<Call> Calls() const;
  void ClearCalls();
  void KeepCallLog(bool keep);  // off for measurements: the log allocates
  int OpenHandles() const;
  int BadCloses() const;  // closes of handles that were not open
  Controller* ControllerAt(int port);
  int WriteCount() const;

 private:
  struct Device {
    int port;
    uint16_t vendor, product;
    bool refusesDescriptor;
    std::unique_ptr<Controller> controller;  // null for another maker's scanner
  };
  struct OpenPipe {
    driver::Handle handle;
    Device* device;
    int pipe;
    uint32_t attachment;  // the device's attachment when opened; stale after it left the bus
  };

  Device* DeviceAt(int port);
  bool OnBus(Device& device, uint64_t now);
  OpenPipe* Find(driver::Handle handle, uint64_t now);
  void Log(Call call);

  mutable std::mutex mutex_;
  const Scenario scenario_;
  std::vector<Device> devices_;
  std::vector<OpenPipe> open_;
  driver::Handle nextHandle_ = 0x1000;
  std::vector<Call> calls_;
  bool keepLog_ = true;
  int badCloses_ = 0;
  int writes_ = 0;
};

// The world the simulated driver serves; Reset replaces it.
void Reset(const Scenario& scenario);
Bus& CurrentBus();

}  // namespace sim
