// Texts and images from the program's own resources, through the system's
// loader, which picks the user's language.
#include "platform/win.h"
#include "resources/resources.h"

namespace res {

int LoadText(int id, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  return ::LoadStringA(::GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, size);
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
