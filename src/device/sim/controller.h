// A model of the device's master controller: it answers the status, version and
// write-progress requests, takes a firmware image behind its header on the bulk
// pipe, writes it, and leaves and rejoins the bus when the user switches the
// device off and on. Time comes from the program's clock, in milliseconds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/sim/scenario.h"

namespace sim {

class Controller {
 public:
  enum class Image {
    Waiting,    // for a header
    Receiving,  // the image the header announced
    Arrived,    // exactly the announced bytes; being written
    Rejected,   // a header of the wrong form, or more bytes than announced
  };

  explicit Controller(const Scenario& scenario);

  // Whether the device is on the bus at `now`, and how often it has rejoined.
  bool Present(uint64_t now);
  uint32_t Attachments() const { return attachments_; }

  // A vendor request from the device to the host; false stalls it. `returned`
  // receives the reply's length.
  bool Request(uint8_t request, uint8_t* reply, uint16_t length, uint32_t* returned, uint64_t now);

  // Bytes on the bulk pipe.
  void Receive(const uint8_t* bytes, uint32_t count, uint64_t now);

  // What a test may look at.
  Image ImageState() const { return image_; }
  const std::array<uint8_t, 64>& Header() const { return header_; }
  uint32_t AnnouncedSize() const { return announced_; }
  uint64_t ImageBytes() const { return received_; }
  uint32_t ImageChecksum() const { return checksum_; }
  int ImagesWritten() const { return imagesWritten_; }
  int PowerCycles() const { return powerCycles_; }
  const std::string& Version() const { return version_; }

 private:
  enum class Phase { On, Written, Off };

  void Advance(uint64_t now);
  void TakeHeaderByte(uint8_t byte);
  uint8_t NextProgress(uint64_t now);

  const Scenario scenario_;
  std::string version_;
  int silentLeft_;
  Phase phase_ = Phase::On;
  uint64_t writtenAt_ = 0;  // when the device reported 100
  uint32_t attachments_ = 1;
  int powerCycles_ = 0;

  Image image_ = Image::Waiting;
  std::array<uint8_t, 64> header_{};
  uint32_t headerBytes_ = 0;
  uint32_t announced_ = 0;
  uint64_t received_ = 0;
  uint32_t checksum_ = 2166136261u;  // FNV-1a of no bytes
  size_t reading_ = 0;
  int imagesWritten_ = 0;
};

// The checksum the controller keeps over an image's bytes (FNV-1a, 32 bits).
uint32_t ImageChecksumOf(const uint8_t* bytes, uint64_t count, uint32_t start = 2166136261u);

}  // namespace sim
