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
#ifdef __SANITIZE_ADDRESS__
    // The address sanitizer wants its library first; umockdev's goes first here.
    const char* options = std::getenv("ASAN_OPTIONS");
    std::string asan = std::string(options ? options : "") + (options && *options ? ":" : "") +
                       "verify_asan_link_order=0";
    ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
#endif
    ::setenv("LD_PRELOAD", preload.empty() ? "libumockdev-preload.so.0" : ("libumockdev-preload.so.0:" + preload).c_str(),
             1);
    ::execv("/proc/self/exe", argv);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
