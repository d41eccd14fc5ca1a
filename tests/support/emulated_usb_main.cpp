// The entry of the tests on emulated USB devices. The emulation works by
// preloading umockdev's library, so the program starts itself again with it
// preloaded; where that cannot be done, the tests say so and are skipped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* preloaded = std::getenv("LD_PRELOAD");
  std::string preload = preloaded ? preloaded : "";
  if (preload.find("libumockdev-preload") == std::string::npos && !std::getenv("UPDATER_TEST_PRELOAD_TRIED")) {
    ::setenv("UPDATER_TEST_PRELOAD_TRIED", "1", 1);
    ::setenv("LD_PRELOAD", preload.empty() ? "libumockdev-preload.so.0" : ("libumockdev-preload.so.0:" + preload).c_str(),
             1);
    ::execv("/proc/self/exe", argv);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
