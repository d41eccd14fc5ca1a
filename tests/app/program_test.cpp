#include <gtest/gtest.h>

#include "app/instance_guard.h"
#include "app/program.h"
#include "support/runtime_dir.h"
#include "support/wizard_world.h"

namespace {

using testing_support::Button;
using ProgramRun = testing_support::WizardWorld;

TEST_F(ProgramRun, AWholeUpdateEndsWithResultZero) {
  testing_support::PrivateRuntimeDir dir;
  char commandLine[] = "/r";
  user.Press({Button::Next, Button::Next, Button::Finish});
  host.Answer(kAnswerOk);  // the start warning
  EXPECT_EQ(RunProgram(commandLine), 0);
  EXPECT_STREQ(commandLine, "/R");
  EXPECT_EQ(OpenedPaths().front(), "\\\\.\\Usbscan0\\0");
  EXPECT_EQ(Bus().ControllerAt(0)->Version(), "V2.60a-3");
  // The records lived in the run's frame; nothing points at them afterwards.
  EXPECT_EQ(gDeviceLink, nullptr);
  EXPECT_EQ(gUpdateState, nullptr);
  InstanceMutex mutex = TakeInstanceMutex();  // the mark is given up at the end
  EXPECT_NE(mutex, kNoInstanceMutex);
  ReleaseInstanceMutex(mutex);
}

TEST_F(ProgramRun, ConfirmedQuittingEndsWithMinusOne) {
  testing_support::PrivateRuntimeDir dir;
  char commandLine[] = "";
  user.Press({Button::Cancel});
  host.Answer(kAnswerYes);
  EXPECT_EQ(RunProgram(commandLine), -1);
}

TEST_F(ProgramRun, ASecondCopyEndsAtOnceWithZeroAndTouchesNothing) {
  testing_support::PrivateRuntimeDir dir;
  InstanceMutex first = TakeInstanceMutex();
  ASSERT_NE(first, kNoInstanceMutex);
  char commandLine[] = "/r";
  EXPECT_EQ(RunProgram(commandLine), 0);
  EXPECT_TRUE(host.Events().empty());
  EXPECT_TRUE(Bus().Calls().empty());
  EXPECT_STREQ(commandLine, "/r");  // not even the options were read
  ReleaseInstanceMutex(first);
}

}  // namespace
