// Texts from the generated tables, in the language of the locale environment.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "resources/generated.h"
#include "resources/language.h"
#include "resources/resources.h"

namespace res {
namespace {

std::atomic<int> gLanguage{0};

const generated::LanguageTexts* Find(int language) {
  for (int i = 0; i < generated::kLanguageCount; ++i) {
    if (generated::kLanguages[i].id == language) return &generated::kLanguages[i];
  }
  return nullptr;
}

// Whether name is one of the comma-separated names of a language.
bool Listed(std::string_view names, std::string_view name) {
  while (!names.empty()) {
    size_t comma = names.find(',');
    if (names.substr(0, comma) == name) return true;
    names.remove_prefix(comma == std::string_view::npos ? names.size() : comma + 1);
  }
  return false;
}

}  // namespace

int LanguageForLocale(std::string_view locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  std::string_view language = locale.substr(0, locale.find('_'));
  for (std::string_view name : {locale, language}) {
    if (name.empty()) continue;
    for (int i = 0; i < generated::kLanguageCount; ++i) {
      if (Listed(generated::kLanguages[i].locales, name)) return generated::kLanguages[i].id;
    }
  }
  return kEnglish;
}

int CurrentLanguage() {
  int language = gLanguage.load();
  if (language != 0) return language;
  const char* locale = "";
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  language = LanguageForLocale(locale);
  gLanguage.store(language);
  return language;
}

void SetCurrentLanguage(int language) { gLanguage.store(language); }

const char* TextIn(int language, int id) {
  const generated::LanguageTexts* texts = Find(language);
  if (!texts || id < 0 || id >= generated::kTextSlots) return nullptr;
  return texts->texts[id];
}

int LoadText(int id, char* buffer, int size) {
  if (size <= 0) return 0;
  const char* text = TextIn(CurrentLanguage(), id);
  size_t length = text ? std::strlen(text) : 0;
  if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
  if (length) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

std::span<const uint8_t> FirmwareImage(int stage) { return generated::EmbeddedImage(stage); }

const DialogLayout* FindLayout(int templateId) {
  for (const DialogLayout& layout : AllLayouts()) {
    if (layout.id == templateId) return &layout;
  }
  return nullptr;
}

std::span<const DialogLayout> AllLayouts() {
  return {generated::kLayouts, static_cast<size_t>(generated::kLayoutCount)};
}

}  // namespace res
