#include "pe_resources.h"

#include <cctype>
#include <fstream>

namespace pe {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;      // "MZ"
constexpr std::uint32_t kPeMagic = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kImportDirectoryIndex = 1;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kRelocationDirectoryIndex = 5;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kMaxEntries = 1 << 16;     // bounds the work on a hostile tree

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Named entries come before id entries; names and ids each strictly ascending.
bool ComesAfter(const ResId& previous, const ResId& next) {
  if (previous.named != next.named) return previous.named;
  return previous.named ? previous.name < next.name : previous.id < next.id;
}

ResId ReadKey(Bytes tree, std::uint32_t field) {
  if (!(field & kHighBit)) return ResId::Id(static_cast<std::uint16_t>(field));
  ByteReader reader(tree, field & ~kHighBit);
  std::uint16_t length = reader.U16();
  return ResId::Name(Utf16ToUtf8(reader.Utf16(length)));
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    bool high = code >= 0xD800 && code <= 0xDBFF;
    bool low_follows = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (high && low_follows) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

Bytes Slice(Bytes bytes, std::size_t offset, std::size_t size, const char* what) {
  if (offset > bytes.size() || size > bytes.size() - offset) {
    throw FormatError(std::string(what) + " (offset " + std::to_string(offset) + ", size " +
                      std::to_string(size) + ") lies outside the " + std::to_string(bytes.size()) +
                      " bytes available");
  }
  return bytes.subspan(offset, size);
}

struct PeImage::DirectoryPath {
  ResId type, name;
  std::string Describe(int level) const {
    if (level == 0) return "root directory";
    if (level == 1) return "directory of type " + type.ToString();
    return "directory of type " + type.ToString() + " name " + name.ToString();
  }
};

PeImage::PeImage(std::vector<std::uint8_t> file)
    : file_(std::make_shared<const std::vector<std::uint8_t>>(std::move(file))) {
  ParseHeaders();
  if (import_rva_ != 0) ReadImports(import_rva_);
  has_resources_ = resource_rva_ != 0 || resource_size_ != 0;
  if (!has_resources_) return;
  Bytes tree = MapRva(resource_rva_, resource_size_, "resource directory");
  DirectoryPath path;
  WalkDirectory(tree, 0, 0, path);
}

PeImage PeImage::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::streamoff size = in.tellg();
  if (size < 0) throw std::runtime_error("cannot read " + path);
  std::vector<std::uint8_t> file(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()))) {
    throw std::runtime_error("cannot read " + path);
  }
  return PeImage(std::move(file));
}

void PeImage::ParseHeaders() {
  Bytes file(*file_);
  ByteReader dos(file);
  if (dos.U16() != kDosMagic) throw FormatError("no MZ signature: not an executable");
  dos.Seek(0x3C);
  ByteReader header(file, dos.U32());
  if (header.U32() != kPeMagic) throw FormatError("no PE signature");
  header.Skip(2);  // machine
  std::uint16_t section_count = header.U16();
  header.Skip(12);  // time stamp, symbol table, symbol count
  std::uint16_t optional_size = header.U16();
  header.Skip(2);  // characteristics
  std::size_t optional_start = header.offset();

  ByteReader optional(Slice(file, optional_start, optional_size, "optional header"));
  std::uint16_t magic = optional.U16();
  if (magic != kPe32Magic && magic != kPe32PlusMagic) throw FormatError("unknown optional header magic");
  pe32_plus_ = magic == kPe32PlusMagic;
  optional.Seek(70);
  dll_characteristics_ = optional.U16();
  optional.Seek(pe32_plus_ ? 108 : 92);
  std::uint32_t directory_count = optional.U32();
  if (directory_count > kResourceDirectoryIndex) {
    optional.Skip(8 * kImportDirectoryIndex);
    import_rva_ = optional.U32();
    optional.Skip(4);
    resource_rva_ = optional.U32();
    resource_size_ = optional.U32();
  }
  if (directory_count > kRelocationDirectoryIndex) {
    optional.Skip(8 * (kRelocationDirectoryIndex - kResourceDirectoryIndex - 1) + 4);
    relocations_size_ = optional.U32();
  }

  ByteReader table(file, optional_start + optional_size);
  for (std::uint16_t i = 0; i < section_count; ++i) {
    table.Skip(12);  // name, virtual size
    Section section{};
    section.virtual_address = table.U32();
    section.raw_size = table.U32();
    section.raw_offset = table.U32();
    table.Skip(16);
    sections_.push_back(section);
  }
}

std::string PeImage::TextAt(std::uint32_t rva) const {
  std::string text;
  for (char c; (c = static_cast<char>(MapRva(rva, 1, "imported name")[0])) != 0; ++rva) {
    if (text.size() == 512) throw FormatError("imported name without end");
    text += c;
  }
  return text;
}

// The import directory: one 20-byte record a DLL, ended by a zeroed one; each
// points to its list of functions, ended by a zero, each an ordinal (top bit
// set) or the address of a hint and a name.
void PeImage::ReadImports(std::uint32_t rva) {
  const std::size_t width = pe32_plus_ ? 8 : 4;
  for (;; rva += 20) {
    ByteReader record(MapRva(rva, 20, "import record"));
    std::uint32_t names = record.U32();
    record.Skip(8);  // time stamp, forwarder chain
    std::uint32_t dll_rva = record.U32(), addresses = record.U32();
    if (dll_rva == 0) return;
    std::string dll = TextAt(dll_rva);
    for (char& c : dll) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::uint32_t entry = names ? names : addresses;; entry += static_cast<std::uint32_t>(width)) {
      ByteReader slot(MapRva(entry, static_cast<std::uint32_t>(width), "import slot"));
      std::uint64_t value = slot.U32();
      if (pe32_plus_) value |= std::uint64_t{slot.U32()} << 32;
      if (value == 0) break;
      bool ordinal = (value >> (width * 8 - 1)) != 0;
      imports_.push_back(dll + "!" + (ordinal ? "#" + std::to_string(value & 0xFFFF)
                                              : TextAt(static_cast<std::uint32_t>(value) + 2)));
      if (imports_.size() > 10000) throw FormatError("import list without end");
    }
  }
}

Bytes PeImage::MapRva(std::uint32_t rva, std::uint32_t size, const char* what) const {
  for (const Section& section : sections_) {
    if (rva < section.virtual_address || rva - section.virtual_address >= section.raw_size) continue;
    std::uint32_t into = rva - section.virtual_address;
    if (size > section.raw_size - into) {
      throw FormatError(std::string(what) + " runs past the end of its section");
    }
    return Slice(Bytes(*file_), std::size_t{section.raw_offset} + into, size, what);
  }
  throw FormatError(std::string(what) + " at RVA " + std::to_string(rva) + " lies in no section");
}

void PeImage::WalkDirectory(Bytes tree, std::uint32_t offset, int level, DirectoryPath& path) {
  ByteReader reader(tree, offset);
  reader.Skip(12);  // characteristics, time stamp, version
  std::size_t named_count = reader.U16();
  std::size_t count = named_count + reader.U16();
  entries_seen_ += count;
  if (entries_seen_ > kMaxEntries) throw FormatError("resource tree has too many entries");
  bool sorted = true;
  ResId previous;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t name_field = reader.U32();
    std::uint32_t data_field = reader.U32();
    ResId key = ReadKey(tree, name_field);
    sorted = sorted && key.named == (i < named_count) && (i == 0 || ComesAfter(previous, key));
    previous = key;
    bool is_directory = (data_field & kHighBit) != 0;
    if (is_directory != (level < 2)) {
      throw FormatError("unexpected " + std::string(is_directory ? "subdirectory" : "data entry") +
                        " in the " + path.Describe(level));
    }
    if (level == 0) path.type = key;
    if (level == 1) path.name = key;
    if (level == 2) {
      if (key.named) throw FormatError("named language in the " + path.Describe(level));
      resources_.push_back({path.type, path.name, key.id, 0, {}});
      AddLeaf(tree, data_field, path);
    } else {
      WalkDirectory(tree, data_field & ~kHighBit, level + 1, path);
    }
  }
  if (!sorted) unsorted_.push_back(path.Describe(level));
}

void PeImage::AddLeaf(Bytes tree, std::uint32_t offset, const DirectoryPath& path) {
  ByteReader reader(tree, offset);
  std::uint32_t rva = reader.U32();
  std::uint32_t size = reader.U32();
  resources_.back().code_page = reader.U32();
  std::string what = "data of type " + path.type.ToString() + " name " + path.name.ToString();
  resources_.back().data = MapRva(rva, size, what.c_str());
}

const Resource* PeImage::Find(const ResId& type, const ResId& name, std::uint16_t language) const {
  for (const Resource& resource : resources_) {
    if (resource.type == type && resource.name == name && resource.language == language) return &resource;
  }
  return nullptr;
}

std::vector<const Resource*> PeImage::OfType(const ResId& type) const {
  std::vector<const Resource*> found;
  for (const Resource& resource : resources_) {
    if (resource.type == type) found.push_back(&resource);
  }
  return found;
}

}  // namespace pe
