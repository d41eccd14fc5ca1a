#include "platform/charset.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>

namespace platform {
namespace {

constexpr char kStandIn = '?';

// The length of the UTF-8 character that begins with lead; 1 for a byte that
// cannot begin one.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The length of the character at text[at]: the whole sequence when it is
// complete, else 1, so that a broken sequence costs no following character.
size_t CharacterAt(std::string_view text, size_t at) {
  size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
  if (length > text.size() - at) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

std::string LocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return "C";
}

std::string AsciiOnly(std::string_view text) {
  std::string ascii;
  for (size_t i = 0; i < text.size(); i += CharacterAt(text, i)) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    ascii += c < 0x80 ? static_cast<char>(c) : kStandIn;
  }
  return ascii;
}

// A conversion descriptor that is closed with its owner.
class Conversion {
 public:
  explicit Conversion(const std::string& to) : cd_(::iconv_open(to.c_str(), "UTF-8")) {}
  ~Conversion() {
    if (ok()) ::iconv_close(cd_);
  }
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

bool IsUtf8(std::string_view charset) {
  std::string plain;
  for (char c : charset) {
    if (c != '-' && c != '_') plain += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return plain == "UTF8";
}

std::string TerminalCharset() {
  // Asked of the C library under the user's locale, which is put back at once:
  // the rest of the program runs in the "C" locale.
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = current ? current : "C";
  if (std::setlocale(LC_CTYPE, "")) {
    std::string charset = ::nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    return charset;
  }
  std::string name = LocaleName();
  size_t dot = name.find('.');
  if (dot == std::string::npos) return "UTF-8";
  return name.substr(dot + 1, name.find('@', dot) - dot - 1);
}

size_t WholeCharacters(std::string_view text) {
  // A character is at most 4 bytes: look for the last lead among the last 3.
  for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    unsigned char c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    size_t length = SequenceLength(c);
    return length > back ? text.size() - back : text.size();
  }
  return text.size();
}

std::string FromUtf8(std::string_view text, const std::string& charset) {
  Conversion conversion(charset);
  if (!conversion.ok()) return AsciiOnly(text);
  std::string converted;
  char buffer[256];
  // Back to the initial shift state of a stateful set (ISO-2022-JP), before a
  // stand-in and at the end.
  auto shiftBack = [&] {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    ::iconv(conversion.get(), nullptr, nullptr, &out, &outLeft);
    converted.append(buffer, static_cast<size_t>(out - buffer));
  };
  size_t at = 0;
  while (at < text.size()) {
    char* in = const_cast<char*>(text.data() + at);
    size_t inLeft = text.size() - at;
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = ::iconv(conversion.get(), &in, &inLeft, &out, &outLeft);
    int error = errno;
    converted.append(buffer, static_cast<size_t>(out - buffer));
    at = text.size() - inLeft;
    if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
    // A character the set lacks, a broken sequence or one cut off: one stand-in,
    // and on after it.
    shiftBack();
    converted += kStandIn;
    at += error == EINVAL ? inLeft : CharacterAt(text, at);
  }
  shiftBack();
  return converted;
}

}  // namespace platform
