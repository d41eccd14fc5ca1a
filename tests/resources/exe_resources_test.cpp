// The icon, version record and firmware image of the built Windows programs,
// and the order of their resource directories.
#include <cctype>

#include "exe_under_test.h"

#ifndef UPDATER_FIRMWARE_SIZE
#define UPDATER_FIRMWARE_SIZE 1399240  // the firmware image the program ships with
#endif

namespace exe_check {
namespace {

using pe::ResId;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Places(const std::vector<const pe::Resource*>& resources) {
  std::vector<std::string> places;
  for (const pe::Resource* resource : resources) {
    places.push_back(resource->name.ToString() + "/" + std::to_string(resource->language));
  }
  return places;
}

class ExeResources : public ExeTest {};

// The platform's loader binary-searches each directory.
TEST_P(ExeResources, DirectoriesAreInTheLoadersSearchOrder) {
  EXPECT_EQ(image().unsorted_directories(), std::vector<std::string>{});
}

TEST_P(ExeResources, IconGroupHasA32And16PixelSixteenColourImage) {
  const std::vector<const pe::Resource*> groups = image().OfType(ResId::Id(pe::kRtGroupIcon));
  ASSERT_EQ(Places(groups), std::vector<std::string>{"107/1028"});
  std::vector<pe::GroupIconEntry> entries = pe::DecodeGroupIcon(groups[0]->data);
  ASSERT_EQ(entries.size(), 2u);
  const int sizes[] = {32, 16};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const pe::GroupIconEntry& entry = entries[i];
    SCOPED_TRACE("icon image " + std::to_string(i) + ", ID " + std::to_string(entry.id));
    EXPECT_EQ(entry.width, sizes[i]);
    EXPECT_EQ(entry.height, sizes[i]);
    EXPECT_EQ(entry.color_count, 16);
    EXPECT_EQ(entry.bit_count, 4);
    const pe::Resource* icon = image().Find(ResId::Id(pe::kRtIcon), ResId::Id(entry.id), kNeutralLanguage);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->data.size(), entry.bytes);
    pe::IconImage picture = pe::DecodeIconImage(icon->data);
    EXPECT_FALSE(picture.png);
    EXPECT_EQ(picture.width, sizes[i]);
    EXPECT_EQ(picture.height, 2 * sizes[i]);  // the picture and its mask
    EXPECT_EQ(picture.bit_count, 4);
  }
}

TEST_P(ExeResources, VersionRecordGivesVersion2530OfAnApplication) {
  const std::vector<const pe::Resource*> records = image().OfType(ResId::Id(pe::kRtVersion));
  ASSERT_EQ(Places(records), std::vector<std::string>{"1/1028"});
  pe::VersionInfo info = pe::DecodeVersion(records[0]->data);
  EXPECT_EQ(Hex(info.file_version_ms), Hex(0x00020005));
  EXPECT_EQ(Hex(info.file_version_ls), Hex(0x00030000));
  EXPECT_EQ(Hex(info.product_version_ms), Hex(0x00020005));
  EXPECT_EQ(Hex(info.product_version_ls), Hex(0x00030000));
  EXPECT_EQ(info.file_type, 1u);  // VFT_APP
  EXPECT_EQ(Hex(info.file_os), Hex(0x00040004));  // VOS_NT_WINDOWS32
  EXPECT_EQ(Hex(info.file_flags), Hex(0));
  using Translation = std::pair<std::uint16_t, std::uint16_t>;
  EXPECT_EQ(info.translations, std::vector<Translation>{Translation(0x0404, 1200)});
}

TEST_P(ExeResources, VersionTextsNameTheProductAndLeaveTheRestEmpty) {
  const pe::Resource* record = image().Find(ResId::Id(pe::kRtVersion), ResId::Id(1), kNeutralLanguage);
  ASSERT_NE(record, nullptr);
  pe::VersionInfo info = pe::DecodeVersion(record->data);
  ASSERT_EQ(info.strings.size(), 1u);
  EXPECT_EQ(Upper(info.strings.begin()->first), "040404B0");
  std::map<std::string, std::string> texts = info.strings.begin()->second;
  for (const char* key : {"FileVersion", "ProductVersion"}) {
    EXPECT_TRUE(texts[key] == "2, 5, 3, 0" || texts[key] == "2,5,3,0") << key << ": \"" << texts[key] << "\"";
  }
  EXPECT_EQ(texts["ProductName"], "NORVA TELIX MZ 5100P");
  for (const char* key : {"CompanyName", "FileDescription"}) EXPECT_NE(texts[key], "") << key;
  for (const char* key : {"Comments", "LegalTrademarks", "PrivateBuild", "SpecialBuild"}) {
    EXPECT_EQ(texts[key], "") << key;
  }
}

TEST_P(ExeResources, CarriesTheFirmwareImageAndNoStagedImages) {
  const std::vector<const pe::Resource*> images = image().OfType(ResId::Name("FW_FILE"));
  ASSERT_EQ(Places(images), std::vector<std::string>{"106/1028"});
  EXPECT_EQ(images[0]->data.size(), std::size_t{UPDATER_FIRMWARE_SIZE});
  for (const pe::Resource& resource : image().resources()) {
    std::string type = Upper(resource.type.name);
    EXPECT_TRUE(type != "FWBOOT_FILE" && type != "FWTEMP_FILE") << "unexpected type " << resource.type.ToString();
  }
}

// Without the manifest the system takes the program for an installer and asks
// for administrator rights, and draws the wizard without visual styles.
TEST_P(ExeResources, ManifestRunsAsInvokerOnEverySystemFromVistaWithStylesAndSystemDpi) {
  const std::vector<const pe::Resource*> manifests = image().OfType(ResId::Id(24));  // RT_MANIFEST
  ASSERT_EQ(Places(manifests), std::vector<std::string>{"1/0"});
  const std::string text(manifests[0]->data.begin(), manifests[0]->data.end());
  for (const char* part : {
           "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
       }) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(text.find("requireAdministrator"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Exes, ExeResources, testing::ValuesIn(ExePaths()), ExeLabel);

}  // namespace
}  // namespace exe_check
