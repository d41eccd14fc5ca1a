#include "resource_decoders.h"

#include <algorithm>

namespace pe {
namespace {

constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedFileInfoSize = 52;

std::size_t AlignDword(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

NameOrOrdinal ReadNameOrOrdinal(ByteReader& reader) {
  auto first = static_cast<char16_t>(reader.U16());
  if (first == 0) return {};
  if (first == 0xFFFF) return {reader.U16(), {}};
  return {std::nullopt, Utf16ToUtf8(std::u16string(1, first) + reader.Utf16z())};
}

void ReadRectangle(ByteReader& reader, std::int16_t& x, std::int16_t& y, std::int16_t& cx, std::int16_t& cy) {
  x = reader.I16();
  y = reader.I16();
  cx = reader.I16();
  cy = reader.I16();
}

DialogItem ReadDialogItem(ByteReader& reader) {
  reader.AlignToDword();
  DialogItem item;
  item.style = reader.U32();
  item.ex_style = reader.U32();
  ReadRectangle(reader, item.x, item.y, item.cx, item.cy);
  item.id = reader.U16();
  item.window_class = ReadNameOrOrdinal(reader);
  item.text = ReadNameOrOrdinal(reader);
  Bytes extra = reader.Take(reader.U16());
  item.extra.assign(extra.begin(), extra.end());
  return item;
}

// One block of a version record: wLength, wValueLength, wType, szKey, then the
// value and the child blocks, each starting on a DWORD boundary of `data`.
struct VersionNode {
  std::string key;
  std::uint16_t type = 0;
  Bytes value;
  std::size_t children = 0, end = 0;
};

VersionNode ReadVersionNode(Bytes data, std::size_t offset, std::size_t limit) {
  ByteReader reader(data.first(limit), offset);
  std::size_t length = reader.U16();
  std::size_t value_length = reader.U16();
  VersionNode node;
  node.type = reader.U16();
  if (length < 6 || length > limit - offset) throw FormatError("version block length out of bounds");
  node.end = offset + length;
  reader = ByteReader(data.first(node.end), reader.offset());
  node.key = Utf16ToUtf8(reader.Utf16z());
  std::size_t value_start = std::min(AlignDword(reader.offset()), node.end);
  std::size_t value_size = std::min(node.type == 1 ? value_length * 2 : value_length, node.end - value_start);
  node.value = data.subspan(value_start, value_size);
  node.children = std::min(AlignDword(value_start + value_size), node.end);
  return node;
}

std::vector<VersionNode> ReadVersionChildren(Bytes data, const VersionNode& parent) {
  std::vector<VersionNode> children;
  for (std::size_t at = parent.children; at < parent.end; at = AlignDword(children.back().end)) {
    children.push_back(ReadVersionNode(data, at, parent.end));
  }
  return children;
}

std::string TextValue(Bytes value) {
  ByteReader reader(value);
  std::u16string text;
  while (reader.remaining() >= 2) {
    auto unit = static_cast<char16_t>(reader.U16());
    if (unit == 0) break;
    text.push_back(unit);
  }
  return Utf16ToUtf8(text);
}

void ReadFixedInfo(Bytes value, VersionInfo& info) {
  if (value.size() < kFixedFileInfoSize) throw FormatError("VS_FIXEDFILEINFO is truncated");
  ByteReader reader(value);
  if (reader.U32() != kFixedFileInfoSignature) throw FormatError("VS_FIXEDFILEINFO signature is wrong");
  reader.Skip(4);  // structure version
  info.file_version_ms = reader.U32();
  info.file_version_ls = reader.U32();
  info.product_version_ms = reader.U32();
  info.product_version_ls = reader.U32();
  info.file_flags_mask = reader.U32();
  info.file_flags = reader.U32();
  info.file_os = reader.U32();
  info.file_type = reader.U32();
}

void ReadFileInfo(Bytes data, const VersionNode& node, VersionInfo& info) {
  for (const VersionNode& child : ReadVersionChildren(data, node)) {
    if (node.key == "StringFileInfo") {
      auto& table = info.strings[child.key];
      for (const VersionNode& entry : ReadVersionChildren(data, child)) table[entry.key] = TextValue(entry.value);
    } else if (node.key == "VarFileInfo" && child.key == "Translation") {
      ByteReader reader(child.value);
      while (reader.remaining() >= 4) {
        std::uint16_t language = reader.U16();
        info.translations.emplace_back(language, reader.U16());
      }
    }
  }
}

}  // namespace

std::map<std::uint16_t, std::string> DecodeStringBlock(std::uint16_t block, Bytes data) {
  if (block == 0 || block > 4096) throw FormatError("string block number out of range");
  std::map<std::uint16_t, std::string> strings;
  ByteReader reader(data);
  for (unsigned slot = 0; slot < 16; ++slot) {
    std::u16string text = reader.Utf16(reader.U16());
    if (!text.empty()) strings[static_cast<std::uint16_t>((block - 1) * 16 + slot)] = Utf16ToUtf8(text);
  }
  return strings;
}

bool IsExtendedDialog(Bytes data) {
  ByteReader reader(data);
  return data.size() >= 4 && reader.U16() == 1 && reader.U16() == 0xFFFF;
}

Dialog DecodeDialog(Bytes data) {
  if (IsExtendedDialog(data)) throw FormatError("extended dialog template (DLGTEMPLATEEX)");
  ByteReader reader(data);
  Dialog dialog;
  dialog.style = reader.U32();
  dialog.ex_style = reader.U32();
  std::uint16_t count = reader.U16();
  ReadRectangle(reader, dialog.x, dialog.y, dialog.cx, dialog.cy);
  dialog.menu = ReadNameOrOrdinal(reader);
  dialog.window_class = ReadNameOrOrdinal(reader);
  dialog.title = Utf16ToUtf8(reader.Utf16z());
  if (dialog.style & kDsSetFont) {
    dialog.point_size = reader.U16();
    dialog.font = Utf16ToUtf8(reader.Utf16z());
  }
  for (std::uint16_t i = 0; i < count; ++i) dialog.items.push_back(ReadDialogItem(reader));
  return dialog;
}

std::vector<GroupIconEntry> DecodeGroupIcon(Bytes data) {
  ByteReader reader(data);
  std::uint16_t reserved = reader.U16();
  std::uint16_t type = reader.U16();
  if (reserved != 0 || type != 1) throw FormatError("not an icon group (GRPICONDIR)");
  std::vector<GroupIconEntry> entries(reader.U16());
  for (GroupIconEntry& entry : entries) {
    entry.width = reader.U8();
    entry.height = reader.U8();
    entry.color_count = reader.U8();
    reader.Skip(1);
    entry.planes = reader.U16();
    entry.bit_count = reader.U16();
    entry.bytes = reader.U32();
    entry.id = reader.U16();
  }
  return entries;
}

IconImage DecodeIconImage(Bytes data) {
  static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
  IconImage image;
  if (data.size() >= 4 && std::equal(std::begin(kPng), std::end(kPng), data.begin())) {
    image.png = true;
    return image;
  }
  ByteReader reader(data);
  if (reader.U32() < 40) throw FormatError("icon image has no BITMAPINFOHEADER");
  image.width = static_cast<std::int32_t>(reader.U32());
  image.height = static_cast<std::int32_t>(reader.U32());
  reader.Skip(2);  // planes
  image.bit_count = reader.U16();
  return image;
}

VersionInfo DecodeVersion(Bytes data) {
  VersionNode root = ReadVersionNode(data, 0, data.size());
  if (root.key != "VS_VERSION_INFO") throw FormatError("version record key is not VS_VERSION_INFO");
  VersionInfo info;
  ReadFixedInfo(root.value, info);
  for (const VersionNode& child : ReadVersionChildren(data, root)) ReadFileInfo(data, child, info);
  return info;
}

}  // namespace pe
