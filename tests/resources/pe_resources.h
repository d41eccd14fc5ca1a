// Reads the resource tree of a Windows executable (PE32 or PE32+): every leaf
// of type -> name -> language with its data bytes, and the imported functions.
// Every offset and size taken from the file is checked; a malformed file gives
// FormatError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pe_bytes.h"

namespace pe {

enum ResourceType : std::uint16_t {
  kRtIcon = 3,
  kRtDialog = 5,
  kRtString = 6,
  kRtGroupIcon = 14,
  kRtVersion = 16,
};

// A resource type or name: a number, or a string (UTF-8 here).
struct ResId {
  bool named = false;
  std::uint16_t id = 0;
  std::string name;

  static ResId Id(std::uint16_t value) { return {false, value, {}}; }
  static ResId Name(std::string value) { return {true, 0, std::move(value)}; }
  bool operator==(const ResId&) const = default;
  std::string ToString() const { return named ? "\"" + name + "\"" : std::to_string(id); }
};

struct Resource {
  ResId type;
  ResId name;
  std::uint16_t language = 0;
  std::uint32_t code_page = 0;
  Bytes data;  // points into the image that returned it
};

class PeImage {
 public:
  // Parses the headers and the whole resource tree; throws FormatError.
  explicit PeImage(std::vector<std::uint8_t> file);
  static PeImage Load(const std::string& path);

  bool is_pe32_plus() const { return pe32_plus_; }
  bool has_resources() const { return has_resources_; }
  // The optional header's DLL characteristics (address-space layout, DEP).
  std::uint16_t dll_characteristics() const { return dll_characteristics_; }
  std::uint32_t relocations_size() const { return relocations_size_; }
  const std::vector<Resource>& resources() const { return resources_; }
  // Directories whose entries are not in the order the platform's loader
  // searches them in (named entries first, names ascending, then ids ascending).
  const std::vector<std::string>& unsorted_directories() const { return unsorted_; }

  // Every function the program imports, as "dll!Function" with the DLL's name in
  // lower case ("dll!#7" for one imported by ordinal).
  const std::vector<std::string>& imports() const { return imports_; }

  const Resource* Find(const ResId& type, const ResId& name, std::uint16_t language) const;
  std::vector<const Resource*> OfType(const ResId& type) const;

 private:
  struct Section {
    std::uint32_t virtual_address, raw_size, raw_offset;
  };
  struct DirectoryPath;

  void ParseHeaders();
  Bytes MapRva(std::uint32_t rva, std::uint32_t size, const char* what) const;
  void ReadImports(std::uint32_t rva);
  std::string TextAt(std::uint32_t rva) const;
  void WalkDirectory(Bytes tree, std::uint32_t offset, int level, DirectoryPath& path);
  void AddLeaf(Bytes tree, std::uint32_t offset, const DirectoryPath& path);

  std::shared_ptr<const std::vector<std::uint8_t>> file_;
  std::vector<Section> sections_;
  std::vector<Resource> resources_;
  std::vector<std::string> unsorted_;
  std::vector<std::string> imports_;
  bool pe32_plus_ = false;
  bool has_resources_ = false;
  std::uint32_t resource_rva_ = 0, resource_size_ = 0, import_rva_ = 0, relocations_size_ = 0;
  std::uint16_t dll_characteristics_ = 0;
  std::size_t entries_seen_ = 0;
};

}  // namespace pe
