#include <cstring>

#include "platform/text.h"

namespace platform {

void UpperCaseInPlace(char* text) {
  for (; *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

// Equal texts compare 0 here as with the system comparison on Windows; the order
// of unequal version texts is settled by the version comparison of the update engine.
int CompareText(const char* a, const char* b) { return std::strcmp(a, b); }

}  // namespace platform
