#include <gtest/gtest.h>

#include "app/instance_guard.h"
#include "app/program.h"
#include "app/update_state.h"
#include "support/runtime_dir.h"
#include "support/sim_world.h"

namespace {

using ProgramRun = testing_support::SimWorld;

TEST_F(ProgramRun, FindsTheDeviceAndEndsWithResultZero) {
  testing_support::PrivateRuntimeDir dir;
  char commandLine[] = "/r";
  EXPECT_EQ(RunProgram(commandLine), 0);
  EXPECT_STREQ(commandLine, "/R");
  // The probe opened the device on port 0 through the compiled hardware ID.
  ASSERT_FALSE(OpenedPaths().empty());
  EXPECT_EQ(OpenedPaths().front(), "\\\\.\\Usbscan0\\0");
  // The records lived in the run's frame; nothing points at them afterwards.
  EXPECT_EQ(gDeviceLink, nullptr);
  EXPECT_EQ(gUpdateState, nullptr);
  // The mark is given up at the end.
  InstanceMutex mutex = TakeInstanceMutex();
  EXPECT_NE(mutex, kNoInstanceMutex);
  ReleaseInstanceMutex(mutex);
}

TEST_F(ProgramRun, ASecondCopyEndsAtOnceWithZeroAndTouchesNothing) {
  testing_support::PrivateRuntimeDir dir;
  InstanceMutex first = TakeInstanceMutex();
  ASSERT_NE(first, kNoInstanceMutex);
  char commandLine[] = "/r";
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(commandLine), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(Bus().Calls().empty());
  EXPECT_STREQ(commandLine, "/r");  // not even the options were read
  ReleaseInstanceMutex(first);
}

}  // namespace
