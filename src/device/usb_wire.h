// What crosses the driver seam, encoded as the Windows class drivers expect it.
#pragma once

#include <cstdint>

// Driver requests.
inline constexpr uint32_t IOCTL_GET_DEVICE_DESCRIPTOR = 0x80002018;       // still-image
inline constexpr uint32_t IOCTL_SEND_USB_REQUEST = 0x80002024;            // still-image
inline constexpr uint32_t IOCTL_USBPRINT_VENDOR_GET_COMMAND = 0x0022003C;  // printer class

// File attributes of the opens.
inline constexpr uint32_t kStillImageOpenAttributes = 0x04;    // FILE_ATTRIBUTE_SYSTEM
inline constexpr uint32_t kPrinterClassOpenAttributes = 0x80;  // FILE_ATTRIBUTE_NORMAL

// A vendor control transfer from the device to the host, addressed to the
// interface: direction in, type vendor, recipient interface.
inline constexpr uint8_t kVendorInInterface = 0xC1;

// The still-image driver's transfer record for IOCTL_SEND_USB_REQUEST, in the
// layout of the running system (20 bytes on 32-bit Windows).
struct IoBlockEx {
  uint32_t uOffset;  // wValue
  uint32_t uLength;  // wLength
  uint8_t* pbyData;  // the reply buffer
  uint32_t uIndex;   // wIndex
  uint8_t bRequest;
  uint8_t bmRequestType;
  uint8_t fTransferDirectionIn;
};
static_assert(sizeof(void*) != 4 || sizeof(IoBlockEx) == 20);

// The still-image driver's reply to IOCTL_GET_DEVICE_DESCRIPTOR.
struct StillImageDescriptor {
  uint16_t usVendorId;
  uint16_t usProductId;
  uint16_t usBcdDevice;
  uint16_t usLanguageId;
};
static_assert(sizeof(StillImageDescriptor) == 8);

// The printer-class driver's input for IOCTL_USBPRINT_VENDOR_GET_COMMAND:
// the request code, 0, then wValue least significant byte first. No wIndex.
inline constexpr uint32_t kPrinterCommandSize = 4;
