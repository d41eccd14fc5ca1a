#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/libusb/names.h"

namespace {

struct IdCase {
  uint16_t vendor, product, release;
  std::optional<uint8_t> interfaceNumber;
  std::vector<std::string> expected;
};

TEST(LibusbHardwareIds, AreUpperCaseHexWithTheInterfaceOfACompositeDevice) {
  const IdCase cases[] = {
      {0xFA17, 0x0C3E, 0x0100, std::nullopt, {"USB\\VID_FA17&PID_0C3E&REV_0100", "USB\\VID_FA17&PID_0C3E"}},
      {0x00ab, 0x000c, 0xBEEF, std::uint8_t{1}, {"USB\\VID_00AB&PID_000C&REV_BEEF&MI_01", "USB\\VID_00AB&PID_000C&MI_01"}},
      {0x0001, 0xFFFF, 0x0000, std::uint8_t{0x1A}, {"USB\\VID_0001&PID_FFFF&REV_0000&MI_1A", "USB\\VID_0001&PID_FFFF&MI_1A"}},
  };
  for (const IdCase& c : cases) {
    EXPECT_EQ(lusb::HardwareIds(c.vendor, c.product, c.release, c.interfaceNumber), c.expected) << c.expected[0];
  }
  EXPECT_EQ(lusb::DeviceKeyName(0xfa17, 0x0c3e, std::nullopt), "VID_FA17&PID_0C3E");
  EXPECT_EQ(lusb::DeviceKeyName(0xfa17, 0x0c3e, std::uint8_t{2}), "VID_FA17&PID_0C3E&MI_02");
}

TEST(LibusbStillImagePath, NamesAPortAndAPipe) {
  const struct {
    const char* path;
    std::optional<lusb::StillImagePath> expected;
  } cases[] = {
      {"\\\\.\\Usbscan0\\0", lusb::StillImagePath{0, 0}},
      {"\\\\.\\Usbscan14\\2", lusb::StillImagePath{14, 2}},
      {"\\\\.\\USBSCAN3\\1", lusb::StillImagePath{3, 1}},
      {"\\\\.\\Usbscan\\0", std::nullopt},
      {"\\\\.\\Usbscan1", std::nullopt},
      {"\\\\.\\Usbscan1\\", std::nullopt},
      {"\\\\.\\Usbscan1\\2x", std::nullopt},
      {"\\\\.\\Usbscan-1\\0", std::nullopt},
      {"\\\\.\\Usbscan99999999999\\0", std::nullopt},
      {"usb:1:2:0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(lusb::ParseStillImagePath(c.path), c.expected) << c.path;
}

TEST(LibusbInterfacePath, IsReadBackAsWrittenAndRefusesOtherForms) {
  lusb::InterfacePath path{3, 127, 1};
  EXPECT_EQ(lusb::FormatInterfacePath(path), "usb:3:127:1");
  EXPECT_EQ(lusb::ParseInterfacePath(lusb::FormatInterfacePath(path)), path);
  for (const char* refused : {"usb:1:2", "usb:1:2:3:4", "usb:256:1:0", "usb::1:0", "usb:1:2:0 ", "\\\\.\\Usbscan0\\0"}) {
    EXPECT_EQ(lusb::ParseInterfacePath(refused), std::nullopt) << refused;
  }
}

TEST(LibusbProperties, TextsEndInTwoZerosAndTheDetailCarriesThePathAfterItsSizeField) {
  std::vector<std::string> texts{"AB", "C"};
  EXPECT_EQ(lusb::PackTexts(texts), (std::vector<uint8_t>{'A', 'B', 0, 'C', 0, 0}));
  std::vector<uint8_t> detail = lusb::PackInterfaceDetail("usb:1:2:0");
  ASSERT_EQ(detail.size(), 4u + 9u + 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(detail.data() + 4), "usb:1:2:0");
}

TEST(LibusbProperties, ACopyIntoTooSmallABufferOnlyReportsTheSizeNeeded) {
  const std::vector<uint8_t> property{'A', 0, 0};
  uint8_t buffer[3] = {9, 9, 9};
  uint32_t required = 0;
  EXPECT_FALSE(lusb::CopyProperty(property, nullptr, 0, &required));
  EXPECT_EQ(required, 3u);
  EXPECT_FALSE(lusb::CopyProperty(property, buffer, 2, &required));
  EXPECT_EQ(required, 3u);
  EXPECT_EQ(buffer[0], 9);
  EXPECT_TRUE(lusb::CopyProperty(property, buffer, 3, &required));
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 3), property);
}

}  // namespace
