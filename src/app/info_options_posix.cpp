#include "app/info_options.h"

#include <cstring>
#include <span>
#include <string_view>

#include "platform/sha256.h"
#include "resources/resources.h"
#include "update/queries.h"

#ifndef UPDATER_VERSION
#error "UPDATER_VERSION names the program's version; the build defines it."
#endif

namespace {

constexpr std::string_view kInstalledName = "norva-mz5100p-updater";
constexpr std::string_view kDevelopmentMark = "DEVELOPMENT FIRMWARE IMAGE";

// What follows the usage line of --help.
constexpr const char* kHelpBody =
    "Updates the firmware of the master controller of the NORVA TELIX MZ 5100P\n"
    "multifunction device (printer, scanner, fax) connected over USB. A wizard\n"
    "finds the device, compares its firmware version with the one this program\n"
    "carries, sends the new firmware, waits while the device writes it and asks you\n"
    "to switch the device off and on.\n"
    "\n"
    "Wizard: on a desktop (WAYLAND_DISPLAY or DISPLAY set, and Qt can open a\n"
    "window there) the wizard opens as windows; Return presses the default button,\n"
    "Escape is Cancel, and each button's underlined letter presses it. Elsewhere it\n"
    "runs on the terminal: answer by typing the letter shown beside each button;\n"
    "Enter alone chooses the default button, marked <...> on a terminal.\n"
    "UPDATER_UI=terminal or UPDATER_UI=window chooses.\n"
    "\n"
    "Options (/R and /C in either case, anywhere on the command line; --help and\n"
    "--version only as the one word of the command line):\n"
    "  /R         write the firmware even when the device already holds the same\n"
    "             or a newer version (no version check)\n"
    "  /C         turn off the compatibility check and the version check\n"
    "  --help     show this help and exit\n"
    "  --version  show the program's version, the firmware version it carries and\n"
    "             the SHA-256 digest of the firmware image, and exit\n"
    "\n"
    "Language: the texts follow LC_ALL, then LC_MESSAGES, then LANG (the first that\n"
    "is set); 19 languages, English for any other.\n"
    "\n"
    "Exit status:\n"
    "  0    the update finished, the device already holds the same or newer\n"
    "       firmware, its version could not be read, or another copy of the\n"
    "       program is running: this copy then leaves at once, having done\n"
    "       nothing, so 0 alone does not tell that an update ran\n"
    "  255  you quit, the device was not ready, the firmware does not suit the\n"
    "       device, you refused the start warning, or the update failed\n"
    "  2    the program could not start: USB access through libusb failed, or\n"
    "       (updater-sim) the simulated device's scenario UPDATER_SIMULATE was refused\n"
    "\n"
    "Access to the device: the udev rule 60-updater-device.rules, installed with\n"
    "the program, lets the user at the seat and the group plugdev open the device.\n"
    "Unplug the device and plug it in again after installing. If the program says\n"
    "that the device is attached but may not be opened, install the rule (or the\n"
    "package) and replug the device, or run the program as root.\n";

std::string_view LastPathElement(const char* path) {
  std::string_view name = path && *path ? path : kInstalledName;
  size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// Whether the program carries the image its build generates for the simulated
// device and the tests, rather than a release's firmware.
bool CarriesDevelopmentImage() {
  std::span<const uint8_t> image = res::FirmwareImage(2);
  return image.size() >= kDevelopmentMark.size() &&
         std::memcmp(image.data(), kDevelopmentMark.data(), kDevelopmentMark.size()) == 0;
}

// The digest the build recorded of a stage's image, in the form sha256sum
// prints, so that it can be compared with the one published with the firmware;
// nothing for a stage the program carries no image for.
void PrintImageDigest(std::FILE* out, const char* what, int stage) {
  const platform::Sha256Digest* recorded = res::RecordedImageDigest(stage);
  if (!recorded) return;
  std::fprintf(out, "%s SHA-256: ", what);
  for (uint8_t byte : *recorded) std::fprintf(out, "%02x", byte);
  platform::Sha256Digest carried;
  bool intact = platform::Sha256(res::FirmwareImage(stage), carried) && carried == *recorded;
  std::fputs(intact ? "\n" : " (the image in this program file differs: the file is damaged)\n", out);
}

}  // namespace

bool AnswerInfoRequest(int argc, const char* const* argv, std::FILE* out, int& exitCode) {
  if (argc != 2) return false;
  std::string_view request = argv[1];
  if (request == "--help") {
    std::string_view name = LastPathElement(argv[0]);
    std::fprintf(out, "Usage: %.*s [/R] [/C]\n  or:  %.*s --help | --version\n\n%s", static_cast<int>(name.size()),
                 name.data(), static_cast<int>(name.size()), name.data(), kHelpBody);
  } else if (request == "--version") {
    std::fprintf(out, "%.*s %s\nMaster controller firmware carried: %s%s\n", static_cast<int>(kInstalledName.size()),
                 kInstalledName.data(), UPDATER_VERSION, UPDATE_DATA_VERSION,
                 CarriesDevelopmentImage() ? " (development image, for the simulated device only)" : "");
    PrintImageDigest(out, "Firmware image", 2);
    PrintImageDigest(out, "Boot image", 0);
    PrintImageDigest(out, "Intermediate image", 1);
  } else {
    return false;
  }
  // A full disk or a closed pipe is an error, as with any program's output.
  exitCode = std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
  return true;
}

void TellAnotherCopyRuns(const char* program) {
  std::fprintf(stderr, "%s: another copy of the updater is already running; this one leaves without doing anything.\n",
               program);
}
