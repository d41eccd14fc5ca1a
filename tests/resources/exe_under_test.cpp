#include "exe_under_test.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#ifndef UPDATER_SOURCE_DIR
// tests/resources/<this file> -> the source directory.
#define UPDATER_SOURCE_DIR \
  (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string())
#endif

namespace exe_check {
namespace {

struct Loaded {
  std::unique_ptr<pe::PeImage> image;
  std::string error;
};

const Loaded& LoadOnce(const std::string& path) {
  static std::map<std::string, Loaded> cache;
  auto found = cache.find(path);
  if (found != cache.end()) return found->second;
  Loaded loaded;
  try {
    loaded.image = std::make_unique<pe::PeImage>(pe::PeImage::Load(path));
  } catch (const std::exception& error) {
    loaded.error = error.what();
  }
  return cache.emplace(path, std::move(loaded)).first->second;
}

}  // namespace

std::vector<std::string> ExePaths() {
  return {"build/release-win64/src/updater.exe", "build/release-win64/src/updater-sim.exe",
          "build/release-win32/src/updater.exe", "build/release-win32/src/updater-sim.exe"};
}

std::string ExeLabel(const testing::TestParamInfo<std::string>& info) {
  std::filesystem::path path(info.param);
  std::string label = path.parent_path().parent_path().filename().string() + "_" + path.stem().string();
  if (label.starts_with("release-")) label.erase(0, 8);
  for (char& c : label) {
    if (c == '-') c = '_';
  }
  return label;
}

std::map<std::uint16_t, std::string> StringsOf(const pe::PeImage& image, std::uint16_t language) {
  std::map<std::uint16_t, std::string> strings;
  for (const pe::Resource* block : image.OfType(pe::ResId::Id(pe::kRtString))) {
    if (block->language != language || block->name.named) continue;
    strings.merge(pe::DecodeStringBlock(block->name.id, block->data));
  }
  return strings;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

void ExeTest::SetUp() {
  std::string path = std::string(UPDATER_SOURCE_DIR) + "/" + GetParam();
  if (!std::filesystem::exists(path)) {
    GTEST_SKIP() << path << " does not exist; build the Windows programs first: make windows";
  }
  const Loaded& loaded = LoadOnce(path);
  ASSERT_TRUE(loaded.error.empty()) << path << ": " << loaded.error;
  ASSERT_TRUE(loaded.image->has_resources()) << path << " has no resource section";
  image_ = loaded.image.get();
}

}  // namespace exe_check
