// What the device's master controller understands: its three vendor requests and
// their replies, and the header that goes before a firmware image.
#pragma once

#include <cstdint>

// Vendor requests (device to host, addressed to the interface; wValue and wIndex 0).
inline constexpr uint8_t REQ_GET_STATUS = 7;
inline constexpr uint8_t REQ_GET_VERSION = 5;
inline constexpr uint8_t REQ_GET_PROGRESS = 6;

// Reply lengths and the fields read from them.
inline constexpr uint16_t kStatusReplyLength = 64;
inline constexpr int kStatusByte = 0;  // 0: ready
inline constexpr uint16_t kVersionReplyLength = 128;
inline constexpr int kVersionTextAt = 21;      // the version text: offsets 21 to 40
inline constexpr int kVersionTextLength = 20;  // words separated by blanks; the second is the version
inline constexpr uint16_t kProgressReplyLength = 64;
inline constexpr int kProgressByte = 1;  // percentage of the image written

// The 64-byte header sent before an image: 02 FF 04, three zeros, the image size
// (32 bits, least significant byte first), then zeros.
inline constexpr uint32_t kImageHeaderSize = 64;
inline constexpr uint8_t kImageHeaderMark[3] = {0x02, 0xFF, 0x04};
inline constexpr int kImageHeaderSizeAt = 6;

// Every image write but the last carries this many bytes (64 short of 64 KiB).
inline constexpr uint32_t IMAGE_CHUNK_SIZE = 65472;
