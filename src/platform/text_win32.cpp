#include "platform/text.h"
#include "platform/win.h"

namespace platform {

void UpperCaseInPlace(char* text) { ::CharUpperA(text); }

int CompareText(const char* a, const char* b) { return ::lstrcmpA(a, b); }

}  // namespace platform
