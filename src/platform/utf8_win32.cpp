#include "platform/utf8_win32.h"

#include "platform/win.h"

namespace platform {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int length = static_cast<int>(utf8.size());
  int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

int Narrow(const wchar_t* text, int length, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  if (!text || length <= 0) return 0;
  // Shorten a text that does not fit by whole characters, never between the two
  // halves of a surrogate pair.
  while (length > 0 && ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr) > size - 1) {
    --length;
    if (length > 0 && text[length] >= 0xDC00 && text[length] <= 0xDFFF) --length;
  }
  int written = length > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, size - 1, nullptr, nullptr) : 0;
  buffer[written] = '\0';
  return written;
}

}  // namespace platform
