#include "platform/words.h"

#include <cstring>

int SplitWords(const char* text, const char* delimiters, char* slots, int stride, int slotCount,
               const char** rest) {
  int stored = 0;
  const char* p = text;
  if (stride >= 1) {
    while (stored < slotCount) {
      p += std::strspn(p, delimiters);
      if (*p == '\0') break;
      size_t length = std::strcspn(p, delimiters);
      char* slot = slots + static_cast<size_t>(stored) * static_cast<size_t>(stride);
      if (length < static_cast<size_t>(stride)) {
        std::memcpy(slot, p, length);
        slot[length] = '\0';
      } else {
        slot[0] = '\0';
      }
      ++stored;
      p += length;
    }
  }
  if (rest) *rest = p;
  return stored;
}
