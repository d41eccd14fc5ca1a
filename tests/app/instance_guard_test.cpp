#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/instance_guard.h"
#include "support/runtime_dir.h"

namespace {

TEST(InstanceGuard, ASecondCopySeesTheFirstUntilItLetsGo) {
  testing_support::PrivateRuntimeDir dir;
  InstanceMutex first = TakeInstanceMutex();
  ASSERT_NE(first, kNoInstanceMutex);
  EXPECT_EQ(TakeInstanceMutex(), kNoInstanceMutex);
  ReleaseInstanceMutex(first);
  InstanceMutex again = TakeInstanceMutex();
  EXPECT_NE(again, kNoInstanceMutex);
  ReleaseInstanceMutex(again);
}

TEST(InstanceGuard, TheMarkVanishesWhenItsHolderIsKilled) {
  testing_support::PrivateRuntimeDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char taken = TakeInstanceMutex() != kNoInstanceMutex ? 'y' : 'n';
    if (::write(ready[1], &taken, 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  EXPECT_EQ(taken, 'y');
  EXPECT_EQ(TakeInstanceMutex(), kNoInstanceMutex);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  InstanceMutex after = TakeInstanceMutex();
  EXPECT_NE(after, kNoInstanceMutex);
  ReleaseInstanceMutex(after);
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
