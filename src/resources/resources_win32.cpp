// Texts and images from the program's own resources, through the system's
// loader, which picks the user's language.
#include "platform/utf8_win32.h"
#include "platform/win.h"
#include "resources/resources.h"

namespace res {

// The text as stored (UTF-16), handed over as UTF-8: the ANSI loader would
// convert it with the system's code page, which need not be the language's.
int LoadText(int id, char* buffer, int size) {
  const wchar_t* text = nullptr;
  int length = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return platform::Narrow(text, length, buffer, size);
}

std::span<const uint8_t> FirmwareImage(int stage) {
  static const char* const kTypes[] = {"FWBOOT_FILE", "FWTEMP_FILE", "FW_FILE"};
  if (stage < 0 || stage > 2) return {};
  HMODULE module = ::GetModuleHandleA(nullptr);
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(kImageName), kTypes[stage]);
  if (!found) return {};
  DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

}  // namespace res
