// Standard output for the terminal host. The program's texts are UTF-8; a
// terminal whose locale has another character set gets them converted.
#include <iostream>
#include <streambuf>
#include <string>

#include "platform/charset.h"
#include "ui/posix/terminal_host.h"

namespace {

// Passes what is written on to target, converted from UTF-8 to charset, whole
// characters at a time: a character split between two writes waits for its rest.
class CharsetBuffer : public std::streambuf {
 public:
  CharsetBuffer(std::streambuf* target, std::string charset) : target_(target), charset_(std::move(charset)) {}
  ~CharsetBuffer() override {
    Drain(pending_.size());
    target_->pubsync();
  }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<size_t>(count));
    return count;
  }
  int sync() override {
    Drain(platform::WholeCharacters(pending_));
    return target_->pubsync();
  }

 private:
  void Drain(size_t count) {
    std::string converted = platform::FromUtf8(std::string_view(pending_).substr(0, count), charset_);
    target_->sputn(converted.data(), static_cast<std::streamsize>(converted.size()));
    pending_.erase(0, count);
  }

  std::streambuf* target_;
  const std::string charset_;
  std::string pending_;
};

// Built before the host it serves, and given up after it.
struct ConvertedOutput {
  ConvertedOutput(std::ostream& out, const std::string& charset) : buffer(out.rdbuf(), charset), stream(&buffer) {}
  CharsetBuffer buffer;
  std::ostream stream;
};

}  // namespace

std::ostream& ConsoleOutput() {
  static const std::string charset = platform::TerminalCharset();
  if (platform::IsUtf8(charset)) return std::cout;
  static ConvertedOutput converted(std::cout, charset);
  return converted.stream;
}
