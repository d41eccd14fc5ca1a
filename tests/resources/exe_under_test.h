// The built Windows programs whose resources the exe_*_test.cpp files check,
// and what those checks share: the fixture, the languages, the string lookup.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pe_resources.h"
#include "resource_decoders.h"

namespace exe_check {

// Every string table and dialog template exists in these languages (LANGIDs).
inline const std::vector<std::uint16_t> kLanguages = {1029, 1030, 1031, 1033, 1035, 1036, 1038,
                                                      1040, 1041, 1043, 1044, 1045, 1049, 1053,
                                                      2052, 2067, 2068, 2070, 3082};
// The icon, the version record and the firmware image exist in this one only.
constexpr std::uint16_t kNeutralLanguage = 1028;

// Paths of the four programs, relative to the source directory.
std::vector<std::string> ExePaths();
// "build/release-win64/src/updater-sim.exe" -> "win64_updater_sim", for test names.
std::string ExeLabel(const testing::TestParamInfo<std::string>& info);

// Every string of one language, gathered from all its string-table blocks.
std::map<std::uint16_t, std::string> StringsOf(const pe::PeImage& image, std::uint16_t language);

std::string Hex(std::uint32_t value);

// Loads the program named by the parameter once per run; skips the test when
// the program has not been built.
class ExeTest : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;
  const pe::PeImage& image() const { return *image_; }

 private:
  const pe::PeImage* image_ = nullptr;
};

}  // namespace exe_check
