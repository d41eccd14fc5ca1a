// The built Windows programs load on the oldest Windows they support: every
// function they import is one that system has. A function newer than that is
// looked up at run time (GetProcAddress) instead.
#include <algorithm>
#include <fstream>
#include <set>

#include "exe_under_test.h"

namespace exe_check {
namespace {

// "dll!Function" a line; '#' starts a comment.
std::set<std::string> OldestSystemExports() {
  std::ifstream in(std::string(UPDATER_SOURCE_DIR) + "/tests/resources/oldest_windows_imports.txt");
  std::set<std::string> names;
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find('#'));
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\r'; }), line.end());
    if (!line.empty()) names.insert(line);
  }
  return names;
}

class ExeImports : public ExeTest {};

TEST_P(ExeImports, NameOnlyFunctionsWindowsXpHas) {
  static const std::set<std::string> known = OldestSystemExports();
  ASSERT_GT(known.size(), 100u) << "the list of the oldest system's functions is missing";
  std::vector<std::string> missing;
  for (const std::string& name : image().imports()) {
    if (!known.contains(name)) missing.push_back(name);
  }
  EXPECT_EQ(missing, std::vector<std::string>{}) << "imports the oldest supported Windows lacks (or not yet "
                                                    "checked against it: see oldest_windows_imports.txt)";
  EXPECT_GT(image().imports().size(), 50u);
}

// Loaded at a random address (relocated), data never run; x86_64: anywhere in 64 bits.
TEST_P(ExeImports, AskForRandomAddressesAndNoExecutableData) {
  const std::uint16_t dynamicBase = 0x0040, nxCompat = 0x0100, highEntropy = 0x0020;
  EXPECT_EQ(Hex(image().dll_characteristics() & (dynamicBase | nxCompat | highEntropy)),
            Hex(dynamicBase | nxCompat | (image().is_pe32_plus() ? highEntropy : 0)));
  EXPECT_GT(image().relocations_size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Exes, ExeImports, testing::ValuesIn(ExePaths()), ExeLabel);

}  // namespace
}  // namespace exe_check
