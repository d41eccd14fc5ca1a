// The printer-class device interfaces over libusb: every attached interface of
// class 7, with Windows-style hardware IDs and a device path of this driver's
// own form (usb:BUS:ADDRESS:INTERFACE). Each set is a snapshot taken when opened.
#include <map>
#include <mutex>
#include <vector>

#include "device/driver.h"
#include "device/libusb/names.h"
#include "device/libusb/session.h"

namespace driver {
namespace {

struct PrinterInterface {
  std::vector<uint8_t> hardwareIds;  // packed texts
  std::vector<uint8_t> detail;       // size field and path
};

std::mutex gSetsMutex;
std::map<DeviceSet, std::vector<PrinterInterface>> gSets;
DeviceSet gNextSet = 1;

void AddInterfacesOf(libusb_device* device, std::vector<PrinterInterface>& found) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return;
  lusb::Config config = lusb::ConfigOf(device);
  if (!config) return;
  bool composite = config->bNumInterfaces > 1;
  for (const libusb_interface& interface : std::span(config->interface, config->bNumInterfaces)) {
    if (interface.num_altsetting < 1 || interface.altsetting[0].bInterfaceClass != lusb::kPrinterClass) continue;
    uint8_t number = interface.altsetting[0].bInterfaceNumber;
    std::vector<std::string> ids = lusb::HardwareIds(descriptor.idVendor, descriptor.idProduct,
                                                     descriptor.bcdDevice,
                                                     composite ? std::optional<uint8_t>(number) : std::nullopt);
    std::string path = lusb::FormatInterfacePath(
        {libusb_get_bus_number(device), libusb_get_device_address(device), number});
    found.push_back({lusb::PackTexts(ids), lusb::PackInterfaceDetail(path)});
  }
}

// The interface at index of set; null when there is none.
const PrinterInterface* InterfaceAt(DeviceSet set, uint32_t index) {
  auto found = gSets.find(set);
  if (found == gSets.end() || index >= found->second.size()) return nullptr;
  return &found->second[index];
}

}  // namespace

DeviceSet OpenPrinterClassDevices() {
  if (lusb::Context() == nullptr) return kNoDeviceSet;
  std::vector<PrinterInterface> found;
  lusb::DeviceList list;
  for (libusb_device* device : list.Devices()) AddInterfacesOf(device, found);
  std::lock_guard lock(gSetsMutex);
  DeviceSet set = gNextSet++;
  gSets.emplace(set, std::move(found));
  return set;
}

bool EnumPrinterDevice(DeviceSet set, uint32_t index) {
  std::lock_guard lock(gSetsMutex);
  return InterfaceAt(set, index) != nullptr;
}

bool ReadHardwareIds(DeviceSet set, uint32_t index, uint8_t* buffer, uint32_t size, uint32_t* required,
                     uint32_t* error) {
  std::lock_guard lock(gSetsMutex);
  *required = 0;
  *error = 0;
  if (gSets.find(set) == gSets.end()) {
    *error = kErrorInvalidHandle;
    return false;
  }
  const PrinterInterface* interface = InterfaceAt(set, index);
  if (!interface) {
    *error = kErrorNoMoreItems;
    return false;
  }
  if (!lusb::CopyProperty(interface->hardwareIds, buffer, size, required)) {
    *error = kErrorInsufficientBuffer;
    return false;
  }
  return true;
}

bool EnumPrinterInterface(DeviceSet set, uint32_t index) { return EnumPrinterDevice(set, index); }

bool ReadInterfaceDetail(DeviceSet set, uint32_t index, uint8_t* detail, uint32_t size, uint32_t* required) {
  std::lock_guard lock(gSetsMutex);
  *required = 0;
  const PrinterInterface* interface = InterfaceAt(set, index);
  return interface && lusb::CopyProperty(interface->detail, detail, size, required);
}

void CloseDeviceSet(DeviceSet set) {
  std::lock_guard lock(gSetsMutex);
  gSets.erase(set);
}

// Reported as the newer systems report it, so the hardware IDs are read the
// newer way.
bool ReadSystemVersion(uint32_t* platform, uint32_t* major, uint32_t* minor) {
  *platform = 2;
  *major = 10;
  *minor = 0;
  return true;
}

}  // namespace driver
