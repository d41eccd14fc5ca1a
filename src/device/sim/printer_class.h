// The simulated printer-class driver's device interfaces as the system's set
// functions show them: sets of the interfaces present when the set was made,
// each device's hardware-ID property and each interface's detail. The bus owns
// it and calls it under its lock; the handles on the device paths are the bus's.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "device/driver.h"
#include "device/sim/controller.h"
#include "device/sim/scenario.h"

namespace sim {

// The error a property read fails with when the property is there but cannot be
// read (ERROR_GEN_FAILURE).
inline constexpr uint32_t kErrorGeneralFailure = 31;

// Whether the system reads properties in the old sense: success while the buffer
// is too small, failure once it has been filled (Windows 95 family, NT 4 and older).
bool ReadsPropertiesTheOldWay(const SystemVersion& system);

class PrinterClass {
 public:
  struct Interface {
    PrinterInterface shown;
    Controller* controller;  // null for another maker's printer
  };

  PrinterClass(std::vector<Interface> interfaces, const SystemVersion& system);

  // The set functions; `now` decides which interfaces are present.
  driver::DeviceSet OpenSet(uint64_t now);
  bool EnumDevice(driver::DeviceSet set, uint32_t index) const;
  bool ReadHardwareIds(driver::DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                       uint32_t* error) const;
  bool EnumInterface(driver::DeviceSet set, uint32_t index) const;
  bool ReadDetail(driver::DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size, uint32_t* required) const;
  void CloseSet(driver::DeviceSet set);

  // The interface whose device path this is (compared without regard to case, as
  // the system compares names), or -1.
  int InterfaceOf(const char* path) const;
  const Interface& At(int index) const { return interfaces_[static_cast<size_t>(index)]; }
  static bool Present(const Interface& printer, uint64_t now);

  // What tests count: sets made, sets still open, closes of sets that were not
  // open, and hardware-ID property reads.
  struct Counts {
    int setsOpened, openSets, badSetCloses, propertyReads;
  };
  Counts Counted() const { return {setsOpened_, static_cast<int>(sets_.size()), badSetCloses_, propertyReads_}; }

 private:
  // The interface at index of an open set, or null.
  const Interface* Member(driver::DeviceSet set, uint32_t index) const;

  std::vector<Interface> interfaces_;
  bool oldWay_;
  std::map<driver::DeviceSet, std::vector<int>> sets_;  // the members, by interface index
  driver::DeviceSet nextSet_ = 0x3000;
  int setsOpened_ = 0;
  int badSetCloses_ = 0;
  mutable int propertyReads_ = 0;
};

}  // namespace sim
