// What the Linux program tells the user on standard error when the device it
// updates cannot be reached: why an attached device cannot be opened, that
// another program holds it, or that it was not found at all. Each is given once
// per run; the first page's connection error shows the causes of its own failure
// too, for a user who sees no standard error.
#pragma once

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>

namespace lusb {

// The device this program updates.
inline constexpr uint16_t kUpdaterVendor = 0xFA17;
inline constexpr uint16_t kUpdaterProduct = 0x0C3E;

enum class Advice {
  Permission,    // the device file may not be opened by this user
  Confinement,   // the system forbids the open (a container's device rules, a sandbox)
  NoDeviceFile,  // the device is attached, but its file under /dev/bus/usb is missing
  Held,          // another program has claimed the scanner interface
  NotFound,      // no such device is attached
};

// The advice's text, ending with a newline; deviceFile names the device file
// where the advice speaks of it.
std::string AdviceText(Advice advice, const std::string& deviceFile = "");

// Why the device file could not be opened, from the system's error for it
// (openError) and whether the folder of the bus's device files exists; nothing
// when the error says nothing the user can act on.
std::optional<Advice> CauseOfRefusedOpen(int openError, bool busFolderPresent);

// Prints the advice on standard error unless it was given before in this run.
// NotFound is given only before the device has first been opened: after that,
// the device being gone is the power cycle the program waits for.
void GiveAdvice(Advice advice, const std::string& deviceFile = "");
// Records that the device has been opened in this run.
void NoteDeviceOpened();

// The advice noted since the previous call, each cause once, in the order noted
// and whether printed or not (a connection error shows the causes of its own
// failure): the standard-error lines' words without the program's name, one
// paragraph a cause, paragraphs separated by an empty line.
std::string TakeNotedAdvice();

}  // namespace lusb
