// Sending a firmware image to the device behind its 64-byte header.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "device/link.h"
#include "platform/sha256.h"
#include "ui/window.h"

// The 64 bytes sent before every image: 02 FF 04, zeros, the size at 6 to 9
// (least significant byte first), zeros.
struct ImageHeader {
  std::array<uint8_t, 64> bytes;
};
ImageHeader MakeImageHeader(uint32_t imageSize);

// Where the images of the stages come from: the program's own memory, or what a
// test puts in their place.
using ImageSource = std::span<const uint8_t> (*)(int stage);
extern ImageSource gImageSource;

// The SHA-256 digests the build recorded of the images, or what a test puts in
// their place.
using DigestSource = const platform::Sha256Digest* (*)(int stage);
extern DigestSource gImageDigestSource;

// 1 when every image a run is about to send, from firstStage up to the main
// image (2), is the one the build embedded: its SHA-256 digest is the recorded
// one. A stage with neither image nor digest passes; the transfer refuses it
// itself. 0 for an image that differs, is missing, or has no recorded digest (a
// damaged program file), and when the system cannot compute a digest. Sends
// nothing and shows nothing; it runs once, before the first header.
int CheckCarriedImages(int firstStage);

// Sends the image of a stage (0 boot, 1 intermediate, 2 main) from the
// program's own memory, moving the progress dialog's bar; 1 when the header and
// every byte were written. A stage without an image sends nothing and fails.
int SendFirmwareImage(Window dialog, DeviceLink* link, int stage);

// The same for an image given in place.
int SendImage(Window dialog, DeviceLink* link, std::span<const uint8_t> image);
