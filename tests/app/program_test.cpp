#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

#include "app/instance_guard.h"
#include "app/program.h"
#include "support/runtime_dir.h"
#include "support/wizard_world.h"
#include "update/queries.h"

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

// What leaves the program, decoded by hand and compared with the device's
// numbers as written here, not with the program's own names for them.
TEST_F(ProgramRun, TheWireCarriesTheDevicesLiteralValues) {
  testing_support::PrivateRuntimeDir dir;
  sim::Scenario scenario;
  scenario.foreign = {0};  // another maker's scanner first, the device on port 1
  scenario.port = 1;
  Start(scenario);
  char commandLine[] = "";
  user.Press({Button::Next, Button::Next, Button::Finish});
  host.Answer(kAnswerOk);  // the start warning
  ASSERT_EQ(RunProgram(commandLine), 0);

  // The record the entry point fills: the still-image driver, the device found by
  // its vendor and product, its pipe 0 for requests and writes, its pipe 1 held.
  std::vector<std::string> opened = OpenedPaths();
  ASSERT_GE(opened.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(opened.begin(), opened.begin() + 3),
            (std::vector<std::string>{"\\\\.\\Usbscan0\\0", "\\\\.\\Usbscan1\\0", "\\\\.\\Usbscan1\\1"}));
  std::set<driver::Handle> pipeZero;
  for (const sim::Call& call : CallsOf(sim::Call::Open)) {
    EXPECT_EQ(call.code, 0x04u);  // FILE_ATTRIBUTE_SYSTEM
    if (call.path == "\\\\.\\Usbscan1\\0") pipeZero.insert(call.handle);
  }
  for (const sim::Call& call : CallsOf(sim::Call::Write)) EXPECT_EQ(pipeZero.count(call.handle), 1u);

  // Each request as the still-image driver's record: wValue, wLength, the reply
  // buffer, wIndex, bRequest, bmRequestType, direction in.
  constexpr size_t kPointer = sizeof(void*);
  std::vector<std::array<uint32_t, 2>> requests;
  for (const sim::Call& call : CallsOf(sim::Call::Control)) {
    if (call.code == 0x80002018u) continue;  // the descriptor
    ASSERT_EQ(call.code, 0x80002024u);
    ASSERT_EQ(call.input.size(), kPointer == 4 ? 20u : 24u);
    auto word = [&](size_t at) {
      uint32_t value;
      std::memcpy(&value, call.input.data() + at, 4);
      return value;
    };
    EXPECT_EQ(word(0), 0u);                 // wValue
    EXPECT_EQ(word(8 + kPointer), 0u);      // wIndex
    EXPECT_EQ(call.input[13 + kPointer], 0xC1);  // IN, vendor, interface
    EXPECT_EQ(call.input[14 + kPointer], 1);
    EXPECT_EQ(word(4), call.size);          // wLength is the reply buffer's size
    requests.push_back({call.input[12 + kPointer], word(4)});
  }
  // The status first, then the version; all three kinds and nothing else.
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0], (std::array<uint32_t, 2>{7, 64}));
  EXPECT_EQ(requests[1], (std::array<uint32_t, 2>{5, 128}));
  EXPECT_EQ(std::set(requests.begin(), requests.end()),
            (std::set<std::array<uint32_t, 2>>{{5, 128}, {6, 64}, {7, 64}}));

  // The header as the device received it: 02 FF 04, zeros, the size least
  // significant byte first, zeros.
  std::array<uint8_t, 64> header{0x02, 0xFF, 0x04};
  uint32_t size = static_cast<uint32_t>(res::FirmwareImage(2).size());
  for (int i = 0; i < 4; ++i) header[6 + i] = static_cast<uint8_t>(size >> (8 * i));
  EXPECT_EQ(Bus().ControllerAt(1)->Header(), header);
  EXPECT_EQ(Bus().ControllerAt(1)->ImagesWritten(), 1);
}

TEST_F(ProgramRun, ThePrinterClassCommandIsTheRequestAZeroAndWValue) {
  sim::Scenario scenario;
  scenario.printerPresent = true;
  Start(scenario);
  link.transport = 0;
  std::strcpy(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_01");
  ASSERT_EQ(OpenDevice(&link), 1);
  Window page = host.AddWindow(kNoWindow, nullptr, {0, 0, 600, 400}, kDeviceTitle);
  Bus().ClearCalls();
  EXPECT_EQ(CheckDeviceStatus(page, &link), 1);
  EXPECT_EQ(ReadFirmwareVersion(page, &link), 1);
  std::vector<sim::Call> calls = CallsOf(sim::Call::Control);
  ASSERT_EQ(calls.size(), 2u);
  for (const sim::Call& call : calls) EXPECT_EQ(call.code, 0x0022003Cu);
  EXPECT_EQ(calls[0].input, (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_EQ(calls[0].size, 64u);
  EXPECT_EQ(calls[1].input, (std::vector<uint8_t>{5, 0, 0, 0}));
  EXPECT_EQ(calls[1].size, 128u);
  CloseDevice(&link);
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
