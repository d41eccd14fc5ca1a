// The system's text functions that the program's comparisons rely on.
#pragma once

namespace platform {

// Upper-cases a zero-terminated text in place (CharUpperA on Windows; on other
// systems the letters a to z, since texts there are UTF-8).
void UpperCaseInPlace(char* text);

// Compares two texts as the system's locale-aware comparison does (lstrcmpA on
// Windows): below 0, 0 or above 0.
int CompareText(const char* a, const char* b);

}  // namespace platform
