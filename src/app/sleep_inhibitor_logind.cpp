// The inhibitor lock through logind's Inhibit call on the system bus.
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "app/sleep_inhibitor.h"
#include "resources/resources.h"
#include "ui/window.h"

namespace {

constexpr uint64_t kCallTimeoutUs = 5'000'000;  // a bus that does not answer must not hold up the update

struct BusClose {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

}  // namespace

bool SleepInhibitor::Take() {
  if (lock_ >= 0) return true;
  sd_bus* opened = nullptr;
  if (sd_bus_open_system(&opened) < 0) return false;
  std::unique_ptr<sd_bus, BusClose> bus(opened);
  sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutUs);
  const std::string who = std::string(kDeviceTitle) + " firmware updater";
  char why[res::kTextBufferSize];
  res::LoadText(res::kTextStageTitle, why, sizeof why);  // "Master Controller Firmware Update"
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* answered = nullptr;
  int result = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "Inhibit", &error, &answered, "ssss",
                                  "shutdown:sleep", who.c_str(), why, "block");
  sd_bus_error_free(&error);
  std::unique_ptr<sd_bus_message, MessageUnref> reply(answered);
  if (result < 0) return false;
  int fd = -1;
  // The descriptor belongs to the reply; keep a copy of our own.
  if (sd_bus_message_read(reply.get(), "h", &fd) < 0 || fd < 0) return false;
  lock_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  return lock_ >= 0;
}

void SleepInhibitor::Release() {
  if (lock_ < 0) return;
  ::close(lock_);
  lock_ = -1;
}
