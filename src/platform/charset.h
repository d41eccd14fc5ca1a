// The character set of the user's terminal, for the Linux program: its texts
// are UTF-8, and a terminal in another character set is given them converted.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The character set of the locale environment (LC_ALL, then LC_CTYPE, then
// LANG), e.g. "UTF-8" or "ISO-8859-1". When the locale is not installed, the
// set its name gives ("de_DE.ISO-8859-1"), else UTF-8.
std::string TerminalCharset();

// Whether a character set name is UTF-8's.
bool IsUtf8(std::string_view charset);

// text, which is UTF-8, in charset. A character the set cannot show, and a
// broken or cut-off sequence, becomes '?'; a set the system does not know gives
// the ASCII letters alone, with '?' for every other character.
std::string FromUtf8(std::string_view text, const std::string& charset);

// How many bytes of text are whole UTF-8 characters: what follows is the start
// of a character that has not arrived completely.
size_t WholeCharacters(std::string_view text);

}  // namespace platform
