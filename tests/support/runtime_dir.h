// A private runtime directory for the instance mark, so that tests never meet a
// copy of the program that a user runs, nor each other.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace testing_support {

class PrivateRuntimeDir {
 public:
  PrivateRuntimeDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "updater-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old, hadOld_ = true;
    ::setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
  }
  ~PrivateRuntimeDir() {
    if (hadOld_) ::setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_, old_;
  bool hadOld_ = false;
};

}  // namespace testing_support
