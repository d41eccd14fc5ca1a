// On POSIX systems the mark is an exclusive lock on a file in the user's runtime
// directory. The kernel drops the lock with the last descriptor, so the mark goes
// away when the holder releases it or ends in any way, killed included.
//
// Only a lock held by another copy keeps this one from running. A lock file that
// cannot be used (no runtime directory, and in /tmp a link or a file another user
// made) is said in one line, and the program runs without the mark: otherwise any
// local user could stop every update. Two copies still cannot use one device, as
// each holds the device's interface while it has the device open.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/instance_guard.h"

namespace {

// A mark that holds no file.
constexpr InstanceMutex kUnguarded = -1;

// The lock file, opened; -1 with errno set when it cannot be used.
int OpenLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  struct stat file {};
  // Another user's file could be locked by that user to keep this program out.
  if (::fstat(fd, &file) != 0 || file.st_uid != ::getuid() || !S_ISREG(file.st_mode)) {
    ::close(fd);
    errno = EPERM;
    return -1;
  }
  return fd;
}

}  // namespace

InstanceMutex TakeInstanceMutex() {
  int fd = -1;
  std::string path;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    path = std::string(runtime) + "/TIS-PROGRAM.lock";
    fd = OpenLockFile(path);
  }
  if (fd < 0) {
    path = "/tmp/TIS-PROGRAM-" + std::to_string(::getuid()) + ".lock";
    fd = OpenLockFile(path);
  }
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    // Descriptor 0 is possible in principle; keep the handle nonzero by offsetting it.
    return static_cast<InstanceMutex>(fd) + 1;
  }
  if (fd >= 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return kNoInstanceMutex;
  }
  int why = errno;
  if (fd >= 0) ::close(fd);
  std::fprintf(stderr, "updater: cannot use the lock file %s (%s); running without the check for another copy.\n",
               path.c_str(), std::strerror(why));
  return kUnguarded;
}

void ReleaseInstanceMutex(InstanceMutex mutex) {
  if (mutex > 0) ::close(static_cast<int>(mutex - 1));
}
