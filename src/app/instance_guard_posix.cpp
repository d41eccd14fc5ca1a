// On POSIX systems the mark is an exclusive lock on a file in the user's runtime
// directory. The kernel drops the lock with the last descriptor, so the mark goes
// away when the holder releases it or ends in any way, killed included.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/instance_guard.h"

namespace {

int OpenLockFile(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

}  // namespace

InstanceMutex TakeInstanceMutex() {
  int fd = -1;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    fd = OpenLockFile(std::string(runtime) + "/TIS-PROGRAM.lock");
  }
  if (fd < 0) fd = OpenLockFile("/tmp/TIS-PROGRAM-" + std::to_string(::getuid()) + ".lock");
  if (fd < 0) return kNoInstanceMutex;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return kNoInstanceMutex;
  }
  // Descriptor 0 is possible in principle; keep the handle nonzero by offsetting it.
  return static_cast<InstanceMutex>(fd) + 1;
}

void ReleaseInstanceMutex(InstanceMutex mutex) {
  if (mutex != kNoInstanceMutex) ::close(static_cast<int>(mutex - 1));
}
