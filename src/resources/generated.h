// The tables that the resource generator writes for systems without Windows
// resources.
#pragma once

#include <cstdint>
#include <span>

#include "resources/layout.h"

namespace res::generated {

inline constexpr int kTextSlots = 50;  // string IDs 0 to 49

struct LanguageTexts {
  int id;                    // Windows language ID
  const char* locales;       // locale names that choose it, separated by commas
  const char* const* texts;  // kTextSlots entries, null where an ID has no text
};

extern const LanguageTexts kLanguages[];
extern const int kLanguageCount;
extern const DialogLayout kLayouts[];
extern const int kLayoutCount;

// The image of a stage, embedded in the program; empty when it carries none.
std::span<const uint8_t> EmbeddedImage(int stage);

}  // namespace res::generated
