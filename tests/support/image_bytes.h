// Bytes the tests send through the link: the header an image of a given size
// must go behind, written out here rather than taken from the program, and
// images of a recognisable pattern.
#pragma once

#include <cstdint>
#include <vector>

#include "device/protocol.h"

namespace testing_support {

inline std::vector<uint8_t> ExpectedImageHeader(uint32_t size) {
  std::vector<uint8_t> header(kImageHeaderSize, 0);
  header[0] = 0x02;
  header[1] = 0xFF;
  header[2] = 0x04;
  for (int i = 0; i < 4; ++i) header[kImageHeaderSizeAt + i] = static_cast<uint8_t>(size >> (8 * i));
  return header;
}

inline std::vector<uint8_t> PatternedImage(size_t size) {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
  return image;
}

}  // namespace testing_support
