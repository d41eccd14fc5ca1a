#include "device/sim/controller.h"

#include <algorithm>
#include <cstring>

#include "device/protocol.h"

namespace sim {
namespace {
// Reply bytes that the updater never reads carry this pattern, so that a read
// of the wrong field shows.
constexpr uint8_t kFiller = 0xA5;
}  // namespace

uint32_t ImageChecksumOf(const uint8_t* bytes, uint64_t count, uint32_t hash) {
  for (uint64_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

Controller::Controller(const Scenario& scenario)
    : scenario_(scenario), version_(scenario.version), silentLeft_(scenario.silent) {}

void Controller::Advance(uint64_t now) {
  uint64_t offAt = writtenAt_ + static_cast<uint64_t>(scenario_.offAfter) * 1000;
  uint64_t onAt = offAt + static_cast<uint64_t>(scenario_.onAfter) * 1000;
  bool switchedOff = scenario_.power != Power::Never &&
                     (scenario_.powerCycles < 0 || powerCycles_ < scenario_.powerCycles);
  if (phase_ == Phase::Written && switchedOff && now >= offAt) phase_ = Phase::Off;
  if (phase_ == Phase::Off && scenario_.power == Power::Auto && now >= onAt) {
    // Switched on again: the controller starts the firmware it has written.
    phase_ = Phase::On;
    ++attachments_;
    ++powerCycles_;
    version_ = scenario_.versionAfter;
    image_ = Image::Waiting;
    headerBytes_ = 0;
    announced_ = 0;
    received_ = 0;
    checksum_ = ImageChecksumOf(nullptr, 0);
    reading_ = 0;
  }
}

bool Controller::Present(uint64_t now) {
  Advance(now);
  return phase_ != Phase::Off;
}

uint8_t Controller::NextProgress(uint64_t now) {
  if (image_ != Image::Arrived || scenario_.progress.empty()) return 0;
  size_t last = scenario_.progress.size() - 1;
  int percent = scenario_.progress[std::min(reading_, last)];
  if (reading_ < last) ++reading_;
  if (percent >= 100 && phase_ == Phase::On) {
    phase_ = Phase::Written;
    writtenAt_ = now;
    ++imagesWritten_;
  }
  return static_cast<uint8_t>(percent);
}

bool Controller::Request(uint8_t request, uint8_t* reply, uint16_t length, uint32_t* returned,
                         uint64_t now) {
  Advance(now);
  uint8_t answer[kVersionReplyLength];
  uint32_t size = 0;
  std::memset(answer, kFiller, sizeof answer);
  if (request == REQ_GET_STATUS) {
    size = kStatusReplyLength;
    answer[kStatusByte] = static_cast<uint8_t>(scenario_.status);
  } else if (request == REQ_GET_VERSION) {
    size = kVersionReplyLength;
    std::string text;
    if (silentLeft_ > 0) {
      --silentLeft_;
      text = kModelName;  // busy: the model alone, no version yet
    } else if (scenario_.reply && attachments_ == 1) {
      text = *scenario_.reply;
    } else {
      text = std::string(kModelName) + " " + version_;
    }
    std::memset(answer + kVersionTextAt, 0, kVersionTextLength);
    std::memcpy(answer + kVersionTextAt, text.data(), std::min<size_t>(text.size(), kVersionTextLength));
  } else if (request == REQ_GET_PROGRESS) {
    size = kProgressReplyLength;
    answer[0] = 0;
    answer[kProgressByte] = NextProgress(now);
  } else {
    return false;  // the controller stalls requests it does not know
  }
  *returned = std::min<uint32_t>(size, length);
  if (*returned) std::memcpy(reply, answer, *returned);
  return true;
}

void Controller::TakeHeaderByte(uint8_t byte) {
  header_[headerBytes_++] = byte;
  if (headerBytes_ < kImageHeaderSize) return;
  bool formed = std::equal(std::begin(kImageHeaderMark), std::end(kImageHeaderMark), header_.begin());
  for (uint32_t i = 3; i < kImageHeaderSize; ++i) {
    if (i >= kImageHeaderSizeAt && i < kImageHeaderSizeAt + 4) continue;
    if (header_[i] != 0) formed = false;
  }
  announced_ = 0;
  for (int i = 3; i >= 0; --i) announced_ = announced_ << 8 | header_[kImageHeaderSizeAt + i];
  image_ = formed && announced_ > 0 ? Image::Receiving : Image::Rejected;
}

void Controller::Receive(const uint8_t* bytes, uint32_t count, uint64_t now) {
  Advance(now);
  uint32_t used = 0;
  while (image_ == Image::Waiting && used < count) TakeHeaderByte(bytes[used++]);
  if (used == count) return;
  if (image_ == Image::Receiving) {
    uint32_t rest = count - used;
    received_ += rest;
    checksum_ = ImageChecksumOf(bytes + used, rest, checksum_);
    if (received_ == announced_) image_ = Image::Arrived;
    else if (received_ > announced_) image_ = Image::Rejected;
  } else if (image_ == Image::Arrived) {
    received_ += count - used;
    image_ = Image::Rejected;  // more bytes than the header announced
  }
}

}  // namespace sim
