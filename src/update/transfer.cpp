#include "update/transfer.h"

#include <algorithm>
#include <limits>

#include "device/protocol.h"
#include "platform/clock.h"
#include "resources/resources.h"
#include "update/queries.h"

ImageHeader MakeImageHeader(uint32_t imageSize) {
  ImageHeader header{};
  std::copy(std::begin(kImageHeaderMark), std::end(kImageHeaderMark), header.bytes.begin());
  for (int i = 0; i < 4; ++i) header.bytes[kImageHeaderSizeAt + i] = static_cast<uint8_t>(imageSize >> (8 * i));
  return header;
}

ImageSource gImageSource = res::FirmwareImage;
DigestSource gImageDigestSource = res::RecordedImageDigest;

int CheckCarriedImages(int firstStage) {
  for (int stage = firstStage; stage <= 2; ++stage) {
    std::span<const uint8_t> image = gImageSource(stage);
    const platform::Sha256Digest* recorded = gImageDigestSource(stage);
    if (image.empty() && !recorded) continue;
    platform::Sha256Digest digest;
    if (!recorded || !platform::Sha256(image, digest) || digest != *recorded) return 0;
  }
  return 1;
}

int SendFirmwareImage(Window dialog, DeviceLink* link, int stage) {
  return SendImage(dialog, link, gImageSource(stage));
}

int SendImage(Window dialog, DeviceLink* link, std::span<const uint8_t> image) {
  // An absent image would go out as a header announcing nothing and count as
  // sent; the device would then be left without firmware to write.
  if (image.empty() || image.size() > std::numeric_limits<uint32_t>::max()) return 0;
  auto size = static_cast<uint32_t>(image.size());
  ImageHeader header = MakeImageHeader(size);
  if (!WriteDevice(link, header.bytes.data(), kImageHeaderSize)) return 0;

  uint32_t sent = 0;
  uint32_t remaining = size;
  while (remaining > IMAGE_CHUNK_SIZE) {
    if (!WriteDevice(link, image.data() + sent, IMAGE_CHUNK_SIZE)) return 0;
    sent += IMAGE_CHUNK_SIZE;
    remaining -= IMAGE_CHUNK_SIZE;
    ShowPercentage(dialog, static_cast<int>(uint64_t{sent} * 100 / size));
  }
  if (!WriteDevice(link, image.data() + sent, remaining)) return 0;
  ShowPercentage(dialog, 100);
  platform::SleepMs(1000);
  return 1;
}
