// Decoders for the resource formats the program carries: string-table blocks,
// classic dialog templates, icon groups and icon images, and version records.
// Each throws FormatError on data that is truncated or malformed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pe_bytes.h"

namespace pe {

// Block n (n >= 1) holds the strings with IDs (n-1)*16 .. (n-1)*16+15. Returns
// the non-empty ones: an empty slot is a string the table does not define.
std::map<std::uint16_t, std::string> DecodeStringBlock(std::uint16_t block, Bytes data);

// A field that is either absent, an ordinal (0xFFFF + number) or a string.
struct NameOrOrdinal {
  std::optional<std::uint16_t> ordinal;
  std::string text;  // UTF-8; empty when absent or an ordinal
  bool absent() const { return !ordinal && text.empty(); }
};

struct DialogItem {
  std::uint32_t style = 0, ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint16_t id = 0;
  NameOrOrdinal window_class;  // ordinal: 0x80 Button, 0x81 Edit, 0x82 Static, ...
  NameOrOrdinal text;          // ordinal: e.g. an icon resource
  std::vector<std::uint8_t> extra;
};

struct Dialog {
  std::uint32_t style = 0, ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu, window_class;
  std::string title;
  std::optional<std::uint16_t> point_size;  // with DS_SETFONT only
  std::string font;
  std::vector<DialogItem> items;
};

constexpr std::uint32_t kDsSetFont = 0x40;

// An extended template (DLGTEMPLATEEX) starts with version 1 and 0xFFFF.
bool IsExtendedDialog(Bytes data);
// A classic template (DLGTEMPLATE); throws FormatError on an extended one.
Dialog DecodeDialog(Bytes data);

struct GroupIconEntry {
  std::uint8_t width = 0, height = 0, color_count = 0;
  std::uint16_t planes = 0, bit_count = 0;
  std::uint32_t bytes = 0;
  std::uint16_t id = 0;
};
std::vector<GroupIconEntry> DecodeGroupIcon(Bytes data);

struct IconImage {
  bool png = false;
  std::int32_t width = 0, height = 0;  // height as stored: twice the picture (image + mask)
  std::uint16_t bit_count = 0;
};
IconImage DecodeIconImage(Bytes data);

struct VersionInfo {
  std::uint32_t file_version_ms = 0, file_version_ls = 0;
  std::uint32_t product_version_ms = 0, product_version_ls = 0;
  std::uint32_t file_flags_mask = 0, file_flags = 0, file_os = 0, file_type = 0;
  // StringFileInfo: block key (e.g. "040904B0") -> key -> value.
  std::map<std::string, std::map<std::string, std::string>> strings;
  // VarFileInfo "Translation": (language, code page) pairs.
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
};
VersionInfo DecodeVersion(Bytes data);

}  // namespace pe
