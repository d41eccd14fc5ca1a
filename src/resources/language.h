// The language of the texts on systems without a resource loader: chosen from
// the locale environment, as a Windows language ID.
#pragma once

#include <string_view>

namespace res {

inline constexpr int kEnglish = 1033;

// The language for a locale name such as "de_DE.UTF-8" or "nl_BE@euro": a
// language_TERRITORY match first, then a language match, else English.
int LanguageForLocale(std::string_view locale);

// The language of the run: from LC_ALL, then LC_MESSAGES, then LANG, the first
// that is set and not empty; decided on first use.
int CurrentLanguage();
// Tests choose the language themselves.
void SetCurrentLanguage(int language);

// The text of id in a language, or null where the ID has no text.
const char* TextIn(int language, int id);

}  // namespace res
