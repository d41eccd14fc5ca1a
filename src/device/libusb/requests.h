// The driver requests of the program turned into USB control transfers: the
// still-image driver's transfer record and the printer-class vendor command.
// Pure functions, so the encodings can be checked without a device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device/usb_wire.h"

namespace lusb {

// The setup of one control transfer; the data stage is the caller's reply buffer.
struct ControlSetup {
  uint8_t requestType = 0;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  uint16_t length = 0;
  bool operator==(const ControlSetup&) const = default;
};

// Decodes an IoBlockEx record (IOCTL_SEND_USB_REQUEST) whose data stage goes to
// or comes from a buffer of replySize bytes. Nothing when the record is short,
// a field does not fit its 16-bit setup field, the data stage is larger than the
// buffer, or the direction flag contradicts the request type.
std::optional<ControlSetup> DecodeIoBlock(std::span<const uint8_t> record, uint32_t replySize);

// Decodes the 4-byte printer-class vendor command (request, 0, value least
// significant byte first) for the interface interfaceNumber, reading replySize
// bytes. Nothing when the command is not 4 bytes or the reply is over 64 KiB.
std::optional<ControlSetup> DecodePrinterCommand(std::span<const uint8_t> command, uint8_t interfaceNumber,
                                                 uint32_t replySize);

// How long a control request may take, in milliseconds. The version request is
// tried 30 times a second apart on a device that does not answer it, and that
// whole read should end after about 30 seconds: a device answers it within
// milliseconds, so 250 ms each bounds it at 37.5 s. The other requests keep
// 5 seconds: while the device writes its memory it may answer the progress
// request late, and a request that times out there reads as no progress.
unsigned ControlTimeoutMs(uint8_t request);

// The still-image driver's device descriptor (language: US English).
StillImageDescriptor DescribeStillImage(uint16_t vendor, uint16_t product, uint16_t release);

}  // namespace lusb
