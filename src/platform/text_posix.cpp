// The system's text functions for POSIX systems. The comparison reproduces the
// order of the Windows comparison (lstrcmpA, word sort) for the texts this
// program compares: version texts and command-line words.
#include <cstring>
#include <string_view>

#include "platform/text.h"

namespace platform {
namespace {

// Punctuation and symbols in the order word sort gives them; they sort before
// the digits, which sort before the letters.
constexpr std::string_view kSymbolOrder = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

bool Skipped(char c) { return c == '-' || c == '\''; }

// The first-level weight: symbols, then digits, then letters without case.
// Characters outside ASCII follow the letters in byte order.
int Weight(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return 300 + (c - 'A');
  if (c >= '0' && c <= '9') return 200 + (c - '0');
  size_t at = kSymbolOrder.find(static_cast<char>(c));
  if (at != std::string_view::npos) return 100 + static_cast<int>(at);
  return c < 0x20 ? c : 400 + c;
}

// Compares a and b by key(character), skipping hyphens and apostrophes; a text
// that ends first sorts first.
template <typename Key>
int CompareBy(const char* a, const char* b, Key key) {
  for (;;) {
    while (Skipped(*a)) ++a;
    while (Skipped(*b)) ++b;
    if (!*a || !*b) return (*a ? 1 : 0) - (*b ? 1 : 0);
    int ka = key(static_cast<unsigned char>(*a)), kb = key(static_cast<unsigned char>(*b));
    if (ka != kb) return ka < kb ? -1 : 1;
    ++a;
    ++b;
  }
}

// For texts equal but for their hyphens and apostrophes: the one with more of
// them sorts later, and of two with as many, the one whose first differing one
// stands earlier.
int CompareSkipped(const char* a, const char* b) {
  size_t countA = 0, countB = 0;
  for (const char* p = a; *p; ++p) countA += Skipped(*p);
  for (const char* p = b; *p; ++p) countB += Skipped(*p);
  if (countA != countB) return countA < countB ? -1 : 1;
  for (const char *p = a, *q = b;; ++p, ++q) {
    while (*p && !Skipped(*p)) ++p;
    while (*q && !Skipped(*q)) ++q;
    if (!*p || !*q) return 0;
    if (p - a != q - b) return p - a < q - b ? 1 : -1;
  }
}

}  // namespace

void UpperCaseInPlace(char* text) {
  for (; *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

int CompareText(const char* a, const char* b) {
  // First the characters themselves, then their case (small letters first), and
  // only for texts equal in both do the skipped hyphens and apostrophes decide.
  if (int order = CompareBy(a, b, Weight)) return order;
  auto caseKey = [](unsigned char c) { return c >= 'a' && c <= 'z' ? 0 : 1; };
  if (int order = CompareBy(a, b, caseKey)) return order;
  if (int order = CompareSkipped(a, b)) return order;
  int order = std::strcmp(a, b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace platform
