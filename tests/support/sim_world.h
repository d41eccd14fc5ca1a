// A fresh simulated world for each test: the scenario's devices on the ports,
// the link's handles closed, the virtual clock running.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/link.h"
#include "device/sim/bus.h"
#include "platform/clock.h"

namespace testing_support {

// The device record as the entry point fills it.
inline DeviceLink ShippedLink() {
  DeviceLink link{};
  link.transport = 1;
  std::strcpy(link.deviceId, kHardwareIdList);
  link.dataPipe = 0;
  link.secondPipe = 1;
  return link;
}

inline void ForgetHandles() {
  controlHandle = dataHandle = secondPipeHandle = driver::kInvalidHandle;
  printerHandle = printerSecondHandle = driver::kInvalidHandle;
}

class SimWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseVirtualClock(1'000'000);
    Start(sim::Scenario{});
  }
  void TearDown() override { platform::UseRealClock(); }

  void Start(const sim::Scenario& scenario) {
    sim::Reset(scenario);
    ForgetHandles();
    link = ShippedLink();
  }

  sim::Bus& Bus() { return sim::CurrentBus(); }

  std::vector<sim::Call> CallsOf(sim::Call::Kind kind) {
    std::vector<sim::Call> all = Bus().Calls(), some;
    std::copy_if(all.begin(), all.end(), std::back_inserter(some), [&](const sim::Call& c) { return c.kind == kind; });
    return some;
  }

  std::vector<std::string> OpenedPaths() {
    std::vector<std::string> paths;
    for (const sim::Call& call : CallsOf(sim::Call::Open)) paths.push_back(call.path);
    return paths;
  }

  DeviceLink link{};
};

}  // namespace testing_support
