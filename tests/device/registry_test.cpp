// Finding the device through the system's record of USB devices: which instances
// are tried, which are passed over, and what the search leaves in the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/sim/registry.h"
#include "device/sim/scenario.h"
#include "support/sim_world.h"

namespace {

using sim::RegistryEntry;
using sim::StringValue;

constexpr char kStillImageId[] = "USB\\VID_FA17&PID_0C3E&MI_00";

std::string Usb(const std::string& rest) { return std::string(sim::kUsbEnumKey) + "\\" + rest; }

// An instance key with its Service value stored as the system stores it.
RegistryEntry Instance(const std::string& device, const std::string& instance, const std::string& service) {
  return {Usb(device + "\\" + instance), {StringValue("Service", service)}};
}

// An instance key with its Service value stored as these bytes exactly.
RegistryEntry InstanceStoring(const std::string& device, const std::string& instance, const std::string& bytes) {
  return {Usb(device + "\\" + instance), {{"Service", bytes}}};
}

// An instance key without values.
RegistryEntry Instance(const std::string& device, const std::string& instance) {
  return {Usb(device + "\\" + instance), {}};
}

std::string Numbered(const char* format, int n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

std::vector<std::string> StillImagePortsUpTo14() {
  std::vector<std::string> paths;
  for (int port = 0; port < 15; ++port) paths.push_back("\\\\.\\Usbscan" + std::to_string(port) + "\\0");
  return paths;
}

class Registry : public testing_support::SimWorld {
 protected:
  void TearDown() override {
    ExpectEveryKeyClosed();
    SimWorld::TearDown();
  }
  // Every key the search opened was closed, once.
  void ExpectEveryKeyClosed() {
    EXPECT_EQ(Keys().OpenKeys(), 0);
    EXPECT_EQ(Keys().BadCloses(), 0);
  }
  // A world whose registry holds only these keys; the device is absent unless asked.
  void StartWith(std::vector<RegistryEntry> entries, bool devicePresent = false, int transport = 1) {
    ExpectEveryKeyClosed();  // in the world before, which this one replaces
    sim::Scenario scenario;
    scenario.devicePresent = devicePresent;
    scenario.registryFollowsDevices = false;
    scenario.registry = std::move(entries);
    Start(scenario);
    link.transport = transport;
    link.deviceId[0] = '\0';
  }
  sim::Registry& Keys() { return sim::CurrentRegistry(); }
  // The instance keys whose Service was read, in order: the paths opened below a device key.
  std::vector<std::string> ExaminedBelow(const std::string& device) {
    std::vector<std::string> examined;
    std::string prefix = Usb(device) + "\\";
    for (const std::string& path : Keys().OpenAttempts()) {
      if (path.compare(0, prefix.size(), prefix) == 0) examined.push_back(path.substr(prefix.size()));
    }
    return examined;
  }
  // The device keys whose instances were listed, in order.
  std::vector<std::string> DeviceKeysListed() {
    std::vector<std::string> listed;
    std::string prefix = Usb("");
    for (const std::string& path : Keys().OpenAttempts()) {
      if (path.compare(0, prefix.size(), prefix) == 0 && path.find('\\', prefix.size()) == std::string::npos) {
        listed.push_back(path.substr(prefix.size()));
      }
    }
    return listed;
  }
};

TEST_F(Registry, NothingRecordedMeansNoDiscoveryAtAll) {
  struct Case {
    const char* what;
    std::vector<RegistryEntry> entries;
  };
  const Case cases[] = {
      {"no key for USB devices", {}},
      {"an empty key for USB devices", {{std::string(sim::kUsbEnumKey), {}}}},
      {"a device key without instances", {{Usb("VID_FA17&PID_0C3E&MI_00"), {}}}},
      {"instances under another control set",
       {{"SYSTEM\\ControlSet001\\Enum\\USB\\VID_FA17&PID_0C3E&MI_00\\1", {StringValue("Service", "usbscan")}}}},
  };
  for (const Case& c : cases) {
    for (int transport : {0, 1}) {
      StartWith(c.entries, true, transport);
      EXPECT_EQ(FindDeviceInRegistry(&link), 0) << c.what;
      EXPECT_STREQ(link.deviceId, "") << c.what;
      EXPECT_TRUE(Bus().Calls().empty()) << c.what;  // no port opened
      EXPECT_EQ(Bus().PrinterSets().setsOpened, 0) << c.what;
    }
  }
}

TEST_F(Registry, OnlyTheInstanceWithTheTransportsServiceIsTried) {
  const std::string device = "VID_FA17&PID_0C3E&MI_00";
  std::vector<RegistryEntry> entries = {Instance(device, "6&1&0&0000", "usbprint"),
                                        Instance(device, "6&1&0&0001", "usbscan"),
                                        Instance(device, "6&1&0&0002", "usbccgp")};
  // The device is absent: the search examines all three, and tries the second.
  StartWith(entries);
  EXPECT_EQ(FindDeviceInRegistry(&link), 0);
  EXPECT_EQ(ExaminedBelow(device), (std::vector<std::string>{"6&1&0&0000", "6&1&0&0001", "6&1&0&0002"}));
  EXPECT_EQ(OpenedPaths(), StillImagePortsUpTo14());  // one still-image discovery
  EXPECT_STREQ(link.deviceId, kStillImageId);

  // Present, it is found at the second, and the third is never read.
  StartWith(entries, true);
  EXPECT_EQ(FindDeviceInRegistry(&link), 1);
  EXPECT_EQ(ExaminedBelow(device), (std::vector<std::string>{"6&1&0&0000", "6&1&0&0001"}));
  EXPECT_NE(controlHandle, driver::kInvalidHandle);
  CloseDevice(&link);
}

TEST_F(Registry, TheServiceMustBeTheTransportsDriverExactly) {
  struct Case {
    int transport;
    std::string bytes;  // the Service value as stored
    bool tried;
  };
  const std::string usbscan = StringValue("", "usbscan").bytes;
  const Case cases[] = {
      {1, usbscan, true},
      {0, StringValue("", "usbprint").bytes, true},
      {0, usbscan, false},
      {1, StringValue("", "usbprint").bytes, false},
      {1, StringValue("", "UsbScan").bytes, false},
      {0, StringValue("", "USBPRINT").bytes, false},
      {1, StringValue("", "usbscan2").bytes, false},
      {1, StringValue("", "usbsca").bytes, false},
      {1, "usbscan", true},                           // stored without its terminator
      {1, usbscan + std::string(120, 'x'), true},     // 128 bytes: read whole, compared up to the terminator
      {1, usbscan + std::string(121, 'x'), false},    // 129 bytes: larger than the search reads
      // 128 bytes without a terminator, which the comparison reads to their end
      // (it passes over hyphens): nothing is read past them.
      {1, "usbscan" + std::string(121, '-'), false},
      {0, std::string(128, '-'), false},
  };
  for (const Case& c : cases) {
    std::string what = std::to_string(c.transport) + " '" + c.bytes.substr(0, 12) + "' (" +
                       std::to_string(c.bytes.size()) + " bytes)";
    StartWith({InstanceStoring("VID_FA17&PID_0C3E&MI_00", "6&1&0&0000", c.bytes)}, false, c.transport);
    EXPECT_EQ(FindDeviceInRegistry(&link), 0) << what;
    EXPECT_STREQ(link.deviceId, c.tried ? kStillImageId : "") << what;
    size_t discoveries = OpenedPaths().size() + static_cast<size_t>(Bus().PrinterSets().setsOpened);
    EXPECT_EQ(discoveries, c.tried ? (c.transport ? 15u : 1u) : 0u) << what;
  }
}

TEST_F(Registry, AnInstanceWithoutAServiceIsPassedOver) {
  const std::string device = "VID_FA17&PID_0C3E&MI_00";
  RegistryEntry noService = Instance(device, "6&1&0&0000");
  RegistryEntry otherValues = {Usb(device + "\\6&1&0&0001"),
                               {StringValue("Driver", "usbscan"), StringValue("Services", "usbscan")}};
  StartWith({noService, otherValues, Instance(device, "6&1&0&0002", "usbscan")}, true);
  EXPECT_EQ(FindDeviceInRegistry(&link), 1);
  EXPECT_EQ(ExaminedBelow(device), (std::vector<std::string>{"6&1&0&0000", "6&1&0&0001", "6&1&0&0002"}));
  EXPECT_EQ(OpenedPaths().front(), "\\\\.\\Usbscan0\\0");
  CloseDevice(&link);
}

TEST_F(Registry, TwelveInstancesAreAllExaminedInOrder) {
  std::vector<RegistryEntry> entries;
  std::vector<std::string> names;
  for (int i = 0; i < 12; ++i) {
    names.push_back(Numbered("6&2b3c4d5e&0&%04d", i));
    entries.push_back(Instance("VID_FA17&PID_0C3E&MI_01", names.back(), "usbprint"));
  }
  StartWith(entries);
  EXPECT_EQ(FindDeviceInRegistry(&link), 0);
  EXPECT_EQ(ExaminedBelow("VID_FA17&PID_0C3E&MI_01"), names);
}

TEST_F(Registry, AFailedSearchLeavesTheLastCandidatesHardwareId) {
  StartWith({Instance("VID_1111&PID_2222", "1", "usbscan"), Instance("VID_3333&PID_4444", "1", "usbscan"),
             Instance("VID_5555&PID_6666", "1", "usbprint")});
  EXPECT_EQ(FindDeviceInRegistry(&link), 0);
  EXPECT_STREQ(link.deviceId, "USB\\VID_3333&PID_4444");
  EXPECT_EQ(OpenedPaths().size(), 30u);  // both candidates tried on the fifteen ports
}

TEST_F(Registry, NamesOf64CharactersOrMoreArePassedOver) {
  std::string device63 = "VID_FA17&PID_0C3E&MI_00&" + std::string(39, 'X');
  std::string device64 = device63 + "Y";
  std::string instance63 = std::string(63, '7'), instance64 = std::string(64, '6');
  ASSERT_EQ(device63.size(), 63u);
  StartWith({Instance(device64, "1", "usbscan"), Instance(device63, instance64, "usbscan"),
             Instance(device63, instance63, "usbscan")});
  EXPECT_EQ(FindDeviceInRegistry(&link), 0);
  EXPECT_EQ(DeviceKeysListed(), (std::vector<std::string>{device63}));
  EXPECT_EQ(ExaminedBelow(device63), (std::vector<std::string>{instance63}));
  EXPECT_EQ(std::string(link.deviceId), "USB\\" + device63);
  EXPECT_EQ(OpenedPaths(), StillImagePortsUpTo14());  // the 63-character candidate alone
}

TEST_F(Registry, OnlyTheFirst500KeysOfALevelAreExamined) {
  struct Case {
    const char* what;
    std::vector<RegistryEntry> entries;
    std::vector<std::string> devicesListed;  // empty: not compared
  };
  // 501 device keys, the device's own last; 501 instances of the device's key, the usbscan one last.
  std::vector<RegistryEntry> devices, instances;
  std::vector<std::string> first500;
  for (int i = 0; i < 500; ++i) {
    devices.push_back({Usb(Numbered("VID_0000&PID_%04d", i)), {}});
    first500.push_back(Numbered("VID_0000&PID_%04d", i));
    instances.push_back(Instance("VID_FA17&PID_0C3E&MI_00", Numbered("%d", i), "usbprint"));
  }
  devices.push_back(Instance("VID_FA17&PID_0C3E&MI_00", "1", "usbscan"));
  instances.push_back(Instance("VID_FA17&PID_0C3E&MI_00", "500", "usbscan"));
  const Case cases[] = {{"501 device keys", devices, first500}, {"501 instances", instances, {}}};
  for (const Case& c : cases) {
    StartWith(c.entries, true);
    EXPECT_EQ(FindDeviceInRegistry(&link), 0) << c.what;
    EXPECT_STREQ(link.deviceId, "") << c.what;
    EXPECT_TRUE(Bus().Calls().empty()) << c.what;
    if (!c.devicesListed.empty()) {
      EXPECT_EQ(DeviceKeysListed(), c.devicesListed) << c.what;
    } else {
      EXPECT_EQ(ExaminedBelow("VID_FA17&PID_0C3E&MI_00").size(), 500u) << c.what;
    }
  }
}

// The registry the simulated system keeps for the scenario's devices, and what
// the search finds there for each transport.
TEST_F(Registry, TheRecordedDevicesAreFoundForTheirTransport) {
  struct Case {
    const char* text;
    std::vector<std::string> devices;  // the device keys recorded, in order
    int transport;
    const char* deviceId;  // what the search leaves
    int found;
  };
  const Case cases[] = {
      {"", {"VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_00"}, 1, kStillImageId, 1},
      {"", {"VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_00"}, 0, "", 0},
      {"printer=present",
       {"VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_00", "VID_FA17&PID_0C3E&MI_01"},
       0,
       "USB\\VID_FA17&PID_0C3E&MI_01",
       1},
      {"device=absent;printer=present", {"VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_01"}, 1, "", 0},
      {"device=absent", {}, 1, "", 0},
      {"port=3;foreign=1,2",
       {"VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_00", "VID_1B2C&PID_0201"},
       1,
       kStillImageId,
       1},
  };
  for (const Case& c : cases) {
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(sim::ParseScenario(c.text, scenario, error)) << error;
    ExpectEveryKeyClosed();
    Start(scenario);
    link.transport = c.transport;
    link.deviceId[0] = '\0';
    std::vector<char> table(64 * 10);
    int count = EnumRegistrySubkeys(std::string(sim::kUsbEnumKey).c_str(), table.data(), 64, 10);
    std::vector<std::string> devices;
    for (int i = 0; i < count; ++i) devices.emplace_back(table.data() + 64 * i);
    EXPECT_EQ(devices, c.devices) << c.text;
    EXPECT_EQ(OpenDevice(&link), c.found) << c.text << " / " << c.transport;
    EXPECT_STREQ(link.deviceId, c.deviceId) << c.text << " / " << c.transport;
    CloseDevice(&link);
    EXPECT_EQ(Bus().OpenHandles(), 0) << c.text;
  }
}

}  // namespace
