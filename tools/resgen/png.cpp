// PNG files written without a compression library: the image data travels in
// stored (uncompressed) deflate blocks, which every PNG reader takes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model.h"

namespace resgen {
namespace {

void PutBig32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t Crc32(const std::string& bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  std::string typed = type + data;
  out += typed;
  PutBig32(out, Crc32(typed));
}

// A zlib stream of stored blocks of at most 65535 bytes, with its Adler-32.
std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    size_t length = std::min<size_t>(raw.size() - at, 65535);
    bool last = at + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    auto put16 = [&out](size_t value) {
      out += static_cast<char>(value & 0xFF);
      out += static_cast<char>((value >> 8) & 0xFF);
    };
    put16(length);
    put16(~length & 0xFFFF);
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(out, (b << 16) | a);
  return out;
}

}  // namespace

std::string PalettePng(int size, const std::string& palette, const std::string& alpha,
                       const std::vector<uint8_t>& indices) {
  std::string header;
  PutBig32(header, static_cast<uint32_t>(size));
  PutBig32(header, static_cast<uint32_t>(size));
  header += std::string{8, 3, 0, 0, 0};  // 8 bits, palette; deflate, adaptive filters, no interlace
  std::string raw;
  for (int y = 0; y < size; ++y) {
    raw += '\0';  // the row is not filtered
    for (int x = 0; x < size; ++x) raw += static_cast<char>(indices[static_cast<size_t>(y * size + x)]);
  }
  std::string out = "\x89PNG\r\n\x1A\n";
  Chunk(out, "IHDR", header);
  Chunk(out, "PLTE", palette);
  Chunk(out, "tRNS", alpha);
  Chunk(out, "IDAT", StoredZlib(raw));
  Chunk(out, "IEND", "");
  return out;
}

}  // namespace resgen
