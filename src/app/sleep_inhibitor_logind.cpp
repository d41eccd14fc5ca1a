// The inhibitor lock through logind's Inhibit call on the system bus.
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
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

// A bus without logind says nothing; logind refusing the lock (no right to it,
// as in an SSH session) is said in one line: the update goes on all the same.
void SayRefused(const sd_bus_error& error) {
  if (!sd_bus_error_is_set(&error)) return;  // the bus itself failed
  if (sd_bus_error_has_names(&error, SD_BUS_ERROR_SERVICE_UNKNOWN, SD_BUS_ERROR_NAME_HAS_NO_OWNER)) return;
  std::fprintf(stderr,
               "updater: logind refused to keep the system from shutting down or sleeping during the update (%s); "
               "the update goes on.\n",
               error.message ? error.message : error.name);
}

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
  // Closing a laptop's lid would suspend it all the same without the lid switch.
  int result = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "Inhibit", &error, &answered, "ssss",
                                  "shutdown:sleep:handle-lid-switch", who.c_str(), why, "block");
  std::unique_ptr<sd_bus_message, MessageUnref> reply(answered);
  if (result < 0) SayRefused(error);
  sd_bus_error_free(&error);
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
