#include "device/sim/scenario.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "device/protocol.h"

namespace sim {
namespace {

constexpr std::string_view kKeys =
    "device, port, foreign, status, version, reply, version-after, silent, progress, fail-write, "
    "fail-call, leave-call, signal-call, power, off-after, on-after, clock, link-ms, printer, os";

bool ReadNumber(std::string_view text, int low, int high, int& number) {
  if (text.empty()) return false;
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
  return problem == std::errc() && end == text.data() + text.size() && number >= low && number <= high;
}

bool ReadNumbers(std::string_view text, int low, int high, std::vector<int>& numbers) {
  numbers.clear();
  for (;;) {
    size_t comma = text.find(',');
    int number = 0;
    if (!ReadNumber(text.substr(0, comma), low, high, number)) return false;
    numbers.push_back(number);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

// A version is the second word of the controller's version text, which holds
// at most 20 characters.
bool ReadVersion(std::string_view text, std::string& version) {
  if (text.empty() || text.size() > kVersionTextLength - kModelName.size() - 1) return false;
  if (text.find_first_of(" ;") != std::string_view::npos) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  version = text;
  return true;
}

bool ReadReply(std::string_view text, std::optional<std::string>& reply) {
  if (text.size() > kVersionTextLength) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  reply = std::string(text);
  return true;
}

// "MAJOR.MINOR", each a number from 0 to 99: an NT-family version.
bool ReadSystemVersion(std::string_view text, SystemVersion& system) {
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  int major = 0, minor = 0;
  if (!ReadNumber(text.substr(0, dot), 0, 99, major) || !ReadNumber(text.substr(dot + 1), 0, 99, minor)) return false;
  system = {2, static_cast<uint32_t>(major), static_cast<uint32_t>(minor), true};
  return true;
}

// "NAME@N": the signal NAME at call N.
bool ReadSignalCall(std::string_view text, Scenario& s) {
  constexpr std::string_view kNames[] = {"INT", "TERM", "HUP", "QUIT", "TSTP", "TTIN", "TTOU"};
  size_t at = text.find('@');
  if (at == std::string_view::npos) return false;
  std::string_view name = text.substr(0, at);
  if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) return false;
  if (!ReadNumber(text.substr(at + 1), 1, 1000000, s.signalCall)) return false;
  s.signalName = name;
  return true;
}

// Applies one item; false with the reason when the key or its value is refused.
bool ApplyItem(std::string_view key, std::string_view value, Scenario& s, std::string& why) {
  auto refuse = [&](std::string_view expected) {
    why = "bad value '" + std::string(value) + "' for " + std::string(key) + ": expected " +
          std::string(expected);
    return false;
  };
  if (key == "device") {
    if (value == "present") s.devicePresent = true;
    else if (value == "absent") s.devicePresent = false;
    else return refuse("present or absent");
  } else if (key == "port") {
    if (!ReadNumber(value, 0, kMaxPort, s.port)) return refuse("a port number from 0 to 20");
  } else if (key == "foreign") {
    if (!ReadNumbers(value, 0, kMaxPort, s.foreign)) return refuse("port numbers from 0 to 20, separated by commas");
  } else if (key == "status") {
    if (!ReadNumber(value, 0, 255, s.status)) return refuse("a number from 0 to 255");
  } else if (key == "version") {
    if (!ReadVersion(value, s.version)) return refuse("one word of 1 to 12 printable characters");
  } else if (key == "reply") {
    if (!ReadReply(value, s.reply)) return refuse("a text of at most 20 printable characters");
  } else if (key == "version-after") {
    if (!ReadVersion(value, s.versionAfter)) return refuse("one word of 1 to 12 printable characters");
  } else if (key == "silent") {
    if (!ReadNumber(value, 0, 1000000, s.silent)) return refuse("a number of requests, 0 or more");
  } else if (key == "progress") {
    if (!ReadNumbers(value, 0, 255, s.progress)) return refuse("percentages from 0 to 255, separated by commas");
  } else if (key == "fail-write") {
    if (!ReadNumber(value, 1, 1000000, s.failWrite)) return refuse("a write number, 1 or more");
  } else if (key == "fail-call") {
    if (!ReadNumber(value, 1, 1000000, s.failCall)) return refuse("a call number, 1 or more");
  } else if (key == "leave-call") {
    if (!ReadNumber(value, 1, 1000000, s.leaveCall)) return refuse("a call number, 1 or more");
  } else if (key == "signal-call") {
    if (!ReadSignalCall(value, s)) {
      return refuse("a signal and a call number, NAME@N, NAME one of INT, TERM, HUP, QUIT, TSTP, TTIN, TTOU");
    }
  } else if (key == "power") {
    if (value == "auto") s.power = Power::Auto;
    else if (value == "never") s.power = Power::Never;
    else if (value == "off") s.power = Power::Off;
    else return refuse("auto, never or off");
  } else if (key == "off-after") {
    if (!ReadNumber(value, 0, 86400, s.offAfter)) return refuse("seconds from 0 to 86400");
  } else if (key == "on-after") {
    if (!ReadNumber(value, 0, 86400, s.onAfter)) return refuse("seconds from 0 to 86400");
  } else if (key == "clock") {
    if (value == "real") s.fastClock = false;
    else if (value == "fast") s.fastClock = true;
    else return refuse("real or fast");
  } else if (key == "link-ms") {
    if (!ReadNumber(value, 0, 10000, s.linkMs)) return refuse("milliseconds from 0 to 10000");
  } else if (key == "printer") {
    if (value == "present") s.printerPresent = true;
    else if (value == "absent") s.printerPresent = false;
    else return refuse("present or absent");
  } else if (key == "os") {
    if (!ReadSystemVersion(value, s.system)) {
      return refuse("a version MAJOR.MINOR, each a number from 0 to 99, e.g. 5.1");
    }
  } else {
    why = "unknown key '" + std::string(key) + "'; the keys are " + std::string(kKeys);
    return false;
  }
  return true;
}

}  // namespace

PrinterInterface DevicePrinterInterface() {
  PrinterInterface printer;
  printer.path = "\\\\?\\usb#vid_fa17&pid_0c3e&mi_01#7&1a2b3c&0&0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
  printer.hardwareIds = {"USB\\VID_FA17&PID_0C3E&REV_0100&MI_01", "USB\\VID_FA17&PID_0C3E&MI_01"};
  return printer;
}

RegistryValue StringValue(std::string name, std::string_view text) {
  std::string bytes(text);
  bytes.push_back('\0');
  return {std::move(name), std::move(bytes)};
}

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error) {
  Scenario s;
  while (!text.empty()) {
    size_t end = text.find(';');
    std::string_view item = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (item.empty()) continue;
    size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
      error = "item '" + std::string(item) + "' is not of the form key=value";
      return false;
    }
    if (!ApplyItem(item.substr(0, equals), item.substr(equals + 1), s, error)) return false;
  }
  for (int port : s.foreign) {
    if (s.devicePresent && port == s.port) {
      error = "port " + std::to_string(port) + " holds the device; a foreign scanner cannot share it";
      return false;
    }
  }
  scenario = std::move(s);
  return true;
}

}  // namespace sim
