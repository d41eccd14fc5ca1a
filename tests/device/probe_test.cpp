#include <gtest/gtest.h>

#include <string>

#include "support/sim_world.h"

namespace {

using Probe = testing_support::SimWorld;

TEST_F(Probe, TheCompiledListFindsTheShippedDevice) {
  std::strcpy(link.deviceId, "left over");
  EXPECT_EQ(ProbeHardwareIdList(&link), 1);
  EXPECT_STREQ(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_00");
  EXPECT_NE(controlHandle, driver::kInvalidHandle);
}

TEST_F(Probe, AnAbsentFirstEntryGivesWayToTheSecond) {
  EXPECT_EQ(ProbeHardwareIds(&link, "USB\\VID_1111&PID_2222,USB\\VID_FA17&PID_0C3E&MI_00"), 1);
  EXPECT_STREQ(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_00");
  // Fifteen ports asked for the first entry, then port 0 matched for the second.
  EXPECT_EQ(CallsOf(sim::Call::Open).size(), 15u + 2u);
}

TEST_F(Probe, OnFailureTheLastEntryTriedStays) {
  sim::Scenario scenario;
  scenario.devicePresent = false;
  Start(scenario);
  EXPECT_EQ(ProbeHardwareIds(&link, "USB\\VID_FA17&PID_0C3E&MI_00,USB\\VID_1111&PID_2222"), 0);
  EXPECT_STREQ(link.deviceId, "USB\\VID_1111&PID_2222");
}

TEST_F(Probe, AnEmptyListTouchesNothing) {
  for (const char* list : {"", ",", ",,,"}) {
    std::strcpy(link.deviceId, "earlier");
    EXPECT_EQ(ProbeHardwareIds(&link, list), 0) << list;
    EXPECT_STREQ(link.deviceId, "earlier");
  }
  EXPECT_TRUE(Bus().Calls().empty());
}

TEST_F(Probe, AnEntryOf64CharactersOrMoreIsRefusedAndTheNextTried) {
  std::string tooLong = "USB\\VID_FA17&PID_0C3E&MI_00" + std::string(37, 'X');
  ASSERT_EQ(tooLong.size(), 64u);
  std::strcpy(link.deviceId, "earlier");
  EXPECT_EQ(ProbeHardwareIds(&link, tooLong.c_str()), 0);
  EXPECT_STREQ(link.deviceId, "earlier");  // neither copied nor turned into a registry search
  EXPECT_TRUE(Bus().Calls().empty());

  EXPECT_EQ(ProbeHardwareIds(&link, (tooLong + ",USB\\VID_FA17&PID_0C3E&MI_00").c_str()), 1);
  EXPECT_STREQ(link.deviceId, "USB\\VID_FA17&PID_0C3E&MI_00");
}

TEST_F(Probe, AnEntryOf63CharactersIsTried) {
  std::string longest = "USB\\VID_FA17&PID_0C3E&MI_00" + std::string(36, 'X');
  ASSERT_EQ(longest.size(), 63u);
  EXPECT_EQ(ProbeHardwareIds(&link, longest.c_str()), 1);  // the identifiers still match
  EXPECT_EQ(std::string(link.deviceId), longest);
}

}  // namespace
