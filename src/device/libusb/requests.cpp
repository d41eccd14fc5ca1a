#include "device/libusb/requests.h"

#include <cstring>
#include <limits>

#include "device/protocol.h"

namespace lusb {
namespace {

constexpr uint32_t kLargestField = std::numeric_limits<uint16_t>::max();
constexpr uint8_t kDirectionIn = 0x80;
constexpr uint16_t kUsEnglish = 0x0409;
// USB 2.0 (9.2.6.4) gives a device 500 ms for a data stage, and the host's own
// delays come on top; 30 tries of the version, a second apart, still end
// within a minute on a device that never answers.
constexpr unsigned kVersionTimeoutMs = 750;
constexpr unsigned kControlTimeoutMs = 5000;

}  // namespace

std::optional<ControlSetup> DecodeIoBlock(std::span<const uint8_t> record, uint32_t replySize) {
  IoBlockEx block{};
  if (record.size() < sizeof block) return std::nullopt;
  std::memcpy(&block, record.data(), sizeof block);
  if (block.uOffset > kLargestField || block.uIndex > kLargestField || block.uLength > kLargestField) {
    return std::nullopt;
  }
  if (block.uLength > replySize) return std::nullopt;
  bool typeSaysIn = (block.bmRequestType & kDirectionIn) != 0;
  if (typeSaysIn != (block.fTransferDirectionIn != 0)) return std::nullopt;
  return ControlSetup{block.bmRequestType, block.bRequest, static_cast<uint16_t>(block.uOffset),
                      static_cast<uint16_t>(block.uIndex), static_cast<uint16_t>(block.uLength)};
}

std::optional<ControlSetup> DecodePrinterCommand(std::span<const uint8_t> command, uint8_t interfaceNumber,
                                                 uint32_t replySize) {
  if (command.size() != kPrinterCommandSize || replySize > kLargestField) return std::nullopt;
  auto value = static_cast<uint16_t>(command[2] | (command[3] << 8));
  return ControlSetup{kVendorInInterface, command[0], value, interfaceNumber, static_cast<uint16_t>(replySize)};
}

unsigned ControlTimeoutMs(uint8_t request) {
  return request == REQ_GET_VERSION ? kVersionTimeoutMs : kControlTimeoutMs;
}

StillImageDescriptor DescribeStillImage(uint16_t vendor, uint16_t product, uint16_t release) {
  return StillImageDescriptor{vendor, product, release, kUsEnglish};
}

}  // namespace lusb
