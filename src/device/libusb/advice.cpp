#include "device/libusb/advice.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace lusb {
namespace {

constexpr char kProgramPrefix[] = "updater: ";

std::mutex gAdviceMutex;
std::set<Advice> gGiven;
std::atomic<bool> gOpened{false};
std::vector<std::pair<Advice, std::string>> gNoted;  // since the last TakeNotedAdvice

// The advice as one paragraph: the line's words, unwrapped, without "updater: ",
// as a sentence.
std::string Paragraph(const std::string& line) {
  std::string text;
  for (size_t i = line.rfind(kProgramPrefix, 0) == 0 ? sizeof kProgramPrefix - 1 : 0; i < line.size(); ++i) {
    if (line[i] != '\n') {
      text += line[i];
    } else if (line.compare(i + 1, 2, "  ") == 0) {  // a continued line
      text += ' ';
      i += 2;
    }
  }
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

}  // namespace

std::string AdviceText(Advice advice, const std::string& deviceFile) {
  switch (advice) {
    case Advice::Permission:
      return "updater: the device (USB FA17:0C3E) is attached, but this user may not open it.\n"
             "  Install the updater's package, which brings the device rule (or, built from source,\n"
             "  `sudo make install`), then unplug the device and plug it in again; or run the\n"
             "  updater as root.\n";
    case Advice::Confinement:
      return "updater: the device (USB FA17:0C3E) is attached, but the system does not permit opening " +
             deviceFile +
             ".\n"
             "  A container's device rules, a sandbox or a security profile forbid it: allow this program\n"
             "  access to USB devices (character devices of major 189), or run it outside the confinement.\n";
    case Advice::NoDeviceFile:
      return "updater: the device (USB FA17:0C3E) is attached, but its device file " + deviceFile +
             " is missing.\n"
             "  In a container, bind /dev/bus/usb in from the host; elsewhere, check that udev or devtmpfs\n"
             "  creates the files under /dev/bus/usb.\n";
    case Advice::Held:
      return "updater: another program holds the scanner interface of the device (USB FA17:0C3E); close "
             "scanning programs, photo and camera importers and any other copy of the updater, then try again.\n";
    case Advice::NotFound:
      return "updater: no USB device FA17:0C3E was found; check the cable and the device's power, that `lsusb` "
             "lists the device, and that the udev rule 60-updater-device.rules is installed.\n";
  }
  return "";
}

std::optional<Advice> CauseOfRefusedOpen(int openError, bool busFolderPresent) {
  switch (openError) {
    case EACCES:
    case EROFS:
      return Advice::Permission;
    case EPERM:
      return Advice::Confinement;
    case ENOENT:
      // A device file gone with its bus folder still there is a device leaving.
      return busFolderPresent ? std::nullopt : std::optional(Advice::NoDeviceFile);
    default:
      return std::nullopt;
  }
}

void GiveAdvice(Advice advice, const std::string& deviceFile) {
  {
    std::lock_guard lock(gAdviceMutex);
    auto noted = [advice](const auto& entry) { return entry.first == advice; };
    if (std::none_of(gNoted.begin(), gNoted.end(), noted)) gNoted.emplace_back(advice, deviceFile);
    if (advice == Advice::NotFound && gOpened) return;
    if (!gGiven.insert(advice).second) return;
  }
  std::fputs(AdviceText(advice, deviceFile).c_str(), stderr);
}

void NoteDeviceOpened() { gOpened = true; }

std::string TakeNotedAdvice() {
  std::vector<std::pair<Advice, std::string>> noted;
  {
    std::lock_guard lock(gAdviceMutex);
    noted.swap(gNoted);
  }
  std::string text;
  for (const auto& [advice, deviceFile] : noted) {
    text += (text.empty() ? "" : "\n\n") + Paragraph(AdviceText(advice, deviceFile));
  }
  return text;
}

}  // namespace lusb
