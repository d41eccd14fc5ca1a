// A private bus standing in for the system bus, with python3-dbusmock's logind
// on it, for the programs a test starts (DBUS_SYSTEM_BUS_ADDRESS). Where
// dbus-daemon or dbusmock is missing it is not ready, and says why.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

class LogindMock {
 public:
  LogindMock();
  ~LogindMock();
  LogindMock(const LogindMock&) = delete;
  LogindMock& operator=(const LogindMock&) = delete;

  bool Ready() const { return problem_.empty(); }
  const std::string& Problem() const { return problem_; }

  // The inhibitor locks logind holds, as dbus-send prints them; empty when the
  // call fails.
  std::string Inhibitors() const;

 private:
  std::string problem_;
  pid_t bus_ = -1, logind_ = -1;
};

}  // namespace testing_support
