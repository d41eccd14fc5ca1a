#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/libusb/sysfs_registry.h"

namespace {

namespace fs = std::filesystem;
using Node = std::optional<lusb::RegistryNode>;
constexpr const char* kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// A fake sysfs tree under a fresh temporary folder, laid out as the kernel lays
// out /sys/bus/usb/devices: attribute files, and driver links into
// /sys/bus/usb/drivers.
class FakeSysfs : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "updater-sysfs-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(Devices());
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Devices() const { return root_ / "bus" / "usb" / "devices"; }

  void Write(const fs::path& directory, const char* name, const std::string& text) {
    std::ofstream(directory / name) << text << "\n";
  }
  void Bind(const fs::path& directory, const char* driver) {
    fs::create_directory_symlink(fs::path("../../../../bus/usb/drivers") / driver, directory / "driver");
  }
  // The kernel writes identifiers as lower-case hex and the count right-aligned.
  void Device(const std::string& name, const char* vendor, const char* product, int interfaces,
              const char* driver = "usb") {
    fs::path directory = Devices() / name;
    fs::create_directories(directory);
    Write(directory, "idVendor", vendor);
    Write(directory, "idProduct", product);
    Write(directory, "bNumInterfaces", (interfaces < 10 ? " " : "") + std::to_string(interfaces));
    if (driver) Bind(directory, driver);
  }
  void Interface(const std::string& name, const char* number, const char* interfaceClass, const char* driver) {
    fs::path directory = Devices() / name;
    fs::create_directories(directory);
    Write(directory, "bInterfaceNumber", number);
    Write(directory, "bInterfaceClass", interfaceClass);
    if (driver) Bind(directory, driver);
  }

  Node Key(const std::string& path) const { return lusb::LookUp(lusb::ReadUsbRegistry(root_), path); }
  std::vector<std::string> Subkeys(const std::string& path) const {
    Node node = Key(path);
    return node ? node->subkeys : std::vector<std::string>{};
  }
  std::optional<std::string> Service(const std::string& path) const {
    Node node = Key(path);
    return node ? node->service : std::nullopt;
  }

  fs::path root_;
};


TEST_F(FakeSysfs, ListsDevicesAndTheInterfacesOfCompositeDevicesWithTheirInstances) {
  Device("usb1", "1d6b", "0002", 1, "usb");
  Interface("usb1:1.0", "00", "09", "hub");
  Device("1-2", "fa17", "0c3e", 3);
  Interface("1-2:1.0", "00", "07", "usblp");
  Interface("1-2:1.1", "01", "06", nullptr);
  Interface("1-2:1.2", "02", "ff", nullptr);
  Device("1-3", "04b8", "1a2b", 1);
  Interface("1-3:1.0", "00", "07", "usblp");
  Device("2-1.4", "0403", "6001", 1);
  Interface("2-1.4:1.0", "00", "ff", "ftdi_sio");

  const std::string usb = kUsb;
  EXPECT_EQ(Subkeys(usb), (std::vector<std::string>{"VID_0403&PID_6001", "VID_04B8&PID_1A2B", "VID_1D6B&PID_0002",
                                                    "VID_FA17&PID_0C3E", "VID_FA17&PID_0C3E&MI_00",
                                                    "VID_FA17&PID_0C3E&MI_01", "VID_FA17&PID_0C3E&MI_02"}));
  EXPECT_EQ(Subkeys(usb + "\\VID_FA17&PID_0C3E"), std::vector<std::string>{"1-2"});
  EXPECT_EQ(Subkeys(usb + "\\VID_FA17&PID_0C3E&MI_01"), std::vector<std::string>{"1-2:1.1"});

  const struct {
    std::string instance;
    std::optional<std::string> service;
  } services[] = {
      {"VID_FA17&PID_0C3E\\1-2", "usb"},                   // the composite device itself
      {"VID_FA17&PID_0C3E&MI_00\\1-2:1.0", "usbprint"},    // usblp
      {"VID_FA17&PID_0C3E&MI_01\\1-2:1.1", "usbscan"},     // still image, no driver
      {"VID_FA17&PID_0C3E&MI_02\\1-2:1.2", "usbscan"},     // vendor-specific, no driver
      {"VID_04B8&PID_1A2B\\1-3", "usbprint"},              // single interface: its driver
      {"VID_0403&PID_6001\\2-1.4", "ftdi_sio"},            // vendor-specific held by a driver
      {"VID_1D6B&PID_0002\\usb1", "hub"},
  };
  for (const auto& s : services) EXPECT_EQ(Service(usb + "\\" + s.instance), s.service) << s.instance;
}

TEST_F(FakeSysfs, PathsAreComparedWithoutRegardToCaseAndUnknownKeysAreAbsent) {
  Device("1-2", "fa17", "0c3e", 1);
  Interface("1-2:1.0", "00", "06", nullptr);
  EXPECT_EQ(Service("system\\currentcontrolset\\enum\\usb\\vid_fa17&pid_0c3e\\1-2"), "usbscan");
  for (const std::string& absent : {std::string(kUsb) + "\\VID_FA17&PID_0C3F", std::string(kUsb) + "\\VID_FA17&PID_0C3E\\1-3",
                                   std::string(kUsb) + "\\VID_FA17&PID_0C3E\\1-2\\more", std::string(kUsb) + "X",
                                   std::string("SYSTEM\\CurrentControlSet\\Enum\\PCI")}) {
    EXPECT_FALSE(Key(absent).has_value()) << absent;
  }
}

TEST_F(FakeSysfs, AnInterfaceWithoutADriverOrAKnownClassHasNoService) {
  Device("1-5", "1234", "5678", 1, nullptr);
  Interface("1-5:1.0", "00", "03", nullptr);
  Node node = Key(std::string(kUsb) + "\\VID_1234&PID_5678\\1-5");
  ASSERT_TRUE(node.has_value());
  EXPECT_EQ(node->service, std::nullopt);
}

TEST_F(FakeSysfs, AMissingTreeIsAnEmptyRegistry) {
  fs::remove_all(root_ / "bus");
  EXPECT_EQ(Subkeys(kUsb), std::vector<std::string>{});
}

TEST(LibusbSysfsRoot, IsTakenFromTheEnvironment) {
  ASSERT_EQ(setenv("UPDATER_SYSFS_ROOT", "/tmp/elsewhere", 1), 0);
  EXPECT_EQ(lusb::SysfsRoot(), fs::path("/tmp/elsewhere"));
  ASSERT_EQ(unsetenv("UPDATER_SYSFS_ROOT"), 0);
  EXPECT_EQ(lusb::SysfsRoot(), fs::path("/sys"));
}

}  // namespace
