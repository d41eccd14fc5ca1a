// The program's texts are UTF-8; the system's Unicode functions take UTF-16.
// Through these the windows show every language whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);

// Writes length UTF-16 units as UTF-8 into buffer, zero-terminated, cut before
// the first character that does not fit in size bytes. Returns the bytes written.
int Narrow(const wchar_t* text, int length, char* buffer, int size);

}  // namespace platform
