// What the fuzz harnesses share: the input handed out in order, a check that
// stops the run loudly, the driver seam answered from the input, and a window
// host that answers every message box with OK.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/posix/layout_host.h"

namespace fuzz {

// The bytes of one input, taken from the front; zeros once it is used up.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
  // True for an odd byte; false once the input is used up, so every loop that
  // asks the driver for more comes to an end.
  bool Yes() { return (Byte() & 1) != 0; }
  uint32_t Number16() { return Byte() | (static_cast<uint32_t>(Byte()) << 8); }
  // A length byte, then up to that many bytes (fewer at the end of the input).
  std::string Bytes();
  // Up to the next newline, which is taken too; false at the end of the input.
  bool Line(std::string& line);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A directory of the process's own, in memory where the system offers it,
// removed when the process ends.
const std::filesystem::path& ScratchDirectory();
// A name of letters, digits and the characters of extra, 1 to 32 long, neither
// "." nor "..": safe to make as a file.
bool SafeName(const std::string& name, const char* extra);

// The words of text split at blanks alone, runs of blanks counting as one: how
// the program is meant to read the command line and the version text.
std::vector<std::string> BlankSeparatedWords(const std::string& text);

// Stops the run as a crash, naming the broken promise, when condition is false.
void Check(bool condition, const char* what);

// The driver seam of the harnesses: each call takes its answer from the input
// and fails once the input is used up. It never writes past a buffer it is
// given, and stops the run on a handle, set or key used or closed while not open.
void StartDriver(const uint8_t* data, size_t size);
Input& DriverInput();
// A handle counted as open without a call of the driver.
intptr_t GrantHandle();

// What the run has left open.
int OpenHandles();
int OpenSets();
int OpenKeys();

// A vendor request as it reached the driver, and the bytes it was answered
// with (none when the request failed).
struct Request {
  uint8_t code;
  bool answered;
  std::vector<uint8_t> reply;
};
const std::vector<Request>& Requests();
// The buffer of the last hardware-ID read as the read left it.
const std::vector<uint8_t>& LastHardwareIds();

// A window host that keeps the windows and answers every box with OK.
class Host : public LayoutHost {
 public:
  int boxes = 0;

 protected:
  void Changed(Window) override {}
  void Destroyed(Window) override {}
  int AskBox(Window, const std::string&, uint32_t) override;
};

// Makes the host current, with English texts and the virtual clock, once.
Host& StartHost();

}  // namespace fuzz
