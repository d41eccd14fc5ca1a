// Bounds-checked reading of little-endian values and UTF-16 text from a byte
// buffer: every read that would pass the end of the buffer throws FormatError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace pe {

// A malformed or truncated file: the reader stops with this instead of reading
// past the end of a buffer.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Bytes = std::span<const std::uint8_t>;

// UTF-16 code units (little-endian in the buffer) to UTF-8; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// `size` bytes from `offset` of `bytes`, or FormatError naming `what`.
Bytes Slice(Bytes bytes, std::size_t offset, std::size_t size, const char* what);

class ByteReader {
 public:
  explicit ByteReader(Bytes bytes, std::size_t offset = 0) : bytes_(bytes), offset_(offset) {}

  std::size_t offset() const { return offset_; }
  std::size_t remaining() const { return offset_ < bytes_.size() ? bytes_.size() - offset_ : 0; }
  void Seek(std::size_t offset) { offset_ = offset; }
  void Skip(std::size_t count) {
    Need(count);
    offset_ += count;
  }
  // Moves to the next multiple of four bytes from the start of the buffer.
  void AlignToDword() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }

  std::uint8_t U8() {
    Need(1);
    return bytes_[offset_++];
  }
  std::uint16_t U16() {
    Need(2);
    auto value = static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
  }
  std::uint32_t U32() {
    std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  Bytes Take(std::size_t count) {
    Need(count);
    Bytes part = bytes_.subspan(offset_, count);
    offset_ += count;
    return part;
  }

  // `count` UTF-16 code units.
  std::u16string Utf16(std::size_t count) {
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(U16()));
    return text;
  }
  // UTF-16 code units up to and past a terminating zero.
  std::u16string Utf16z() {
    std::u16string text;
    for (char16_t unit = static_cast<char16_t>(U16()); unit != 0; unit = static_cast<char16_t>(U16())) {
      text.push_back(unit);
    }
    return text;
  }

 private:
  void Need(std::size_t count) const {
    if (offset_ > bytes_.size() || count > bytes_.size() - offset_) {
      throw FormatError("truncated: " + std::to_string(count) + " bytes needed at offset " +
                        std::to_string(offset_) + " of " + std::to_string(bytes_.size()));
    }
  }

  Bytes bytes_;
  std::size_t offset_;
};

}  // namespace pe
