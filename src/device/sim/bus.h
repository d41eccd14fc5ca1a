// The simulated USB drivers: the still-image ports "\\.\UsbscanN" with their
// pipes, the printer-class device interfaces, the devices behind them, and a log
// of every call the program makes on a device handle.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/driver.h"
#include "device/sim/controller.h"
#include "device/sim/printer_class.h"
#include "device/sim/scenario.h"
#include "platform/thread.h"

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

  // The printer-class set functions and the system's version.
  driver::DeviceSet OpenPrinterSet();
  bool EnumPrinterDevice(driver::DeviceSet set, uint32_t index);
  bool ReadHardwareIds(driver::DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                       uint32_t* error);
  bool EnumPrinterInterface(driver::DeviceSet set, uint32_t index);
  bool ReadInterfaceDetail(driver::DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size,
                           uint32_t* required);
  void ClosePrinterSet(driver::DeviceSet set);
  const SystemVersion& System() const { return scenario_.system; }

  // Counts one call through the driver seam; true when the scenario makes it
  // fail (its fail-call, or any call from its leave-call on).
  bool CallFails();
  // Once the call just counted is done: sends the program the scenario's
  // signal when that was its call.
  void CallDone();
  int DriverCalls() const;  // the calls counted so far

  // Inspection by tests.
  std::vector<Call> Calls() const;
  void ClearCalls();
  void KeepCallLog(bool keep);  // off for measurements: the log allocates
  int OpenHandles() const;
  int BadCloses() const;  // closes of handles that were not open
  Controller* ControllerAt(int port);  // the controller behind a still-image port
  Controller* DeviceController();      // the device's own, whichever interfaces show it
  int WriteCount() const;
  PrinterClass::Counts PrinterSets() const;

 private:
  struct Device {
    int port;
    uint16_t vendor, product;
    bool refusesDescriptor;
    Controller* controller;  // null for another maker's scanner
  };
  // A handle on a still-image pipe (device set, printer -1) or on a printer-class
  // interface (device null, printer its index).
  struct OpenPipe {
    driver::Handle handle;
    Device* device;
    int printer;
    Controller* controller;  // null for another maker's device
    int pipe;
    uint32_t attachment;  // the device's attachment when opened; stale after it left the bus
  };

  Device* DeviceAt(int port);
  Controller* NewController();
  std::vector<PrinterClass::Interface> MakeInterfaces();
  OpenPipe* Find(driver::Handle handle, uint64_t now);
  driver::Handle Grant(Device* device, int printer, Controller* controller, int pipe);
  bool StillImageControl(OpenPipe& pipe, uint32_t code, const void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* returned, uint64_t now);
  bool PrinterControl(OpenPipe& pipe, uint32_t code, const void* in, uint32_t inSize, void* out,
                      uint32_t outSize, uint32_t* returned, uint64_t now);
  void Log(Call call);

  mutable platform::Mutex mutex_;
  const Scenario scenario_;
  std::vector<std::unique_ptr<Controller>> controllers_;  // [0]: the device's own
  std::vector<Device> devices_;
  PrinterClass printers_;
  std::vector<OpenPipe> open_;
  driver::Handle nextHandle_ = 0x1000;
  std::vector<Call> calls_;
  bool keepLog_ = true;
  int badCloses_ = 0;
  int writes_ = 0;
  int driverCalls_ = 0;
};

// The world the simulated driver serves, its registry included; Reset replaces it.
void Reset(const Scenario& scenario);
Bus& CurrentBus();

}  // namespace sim
