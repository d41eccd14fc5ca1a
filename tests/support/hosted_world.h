// A simulated world with the test window host in place, English texts, and a
// page window for the dialogs of an update run to stand on.
#pragma once

#include "resources/language.h"
#include "support/sim_world.h"
#include "support/test_host.h"
#include "ui/window.h"

namespace testing_support {

class HostedWorld : public SimWorld {
 protected:
  void SetUp() override {
    SimWorld::SetUp();
    res::SetCurrentLanguage(res::kEnglish);
    SetHost(&host);
    page = host.AddWindow(kNoWindow, nullptr, {0, 0, 600, 400}, kDeviceTitle);
  }
  void TearDown() override {
    gDeviceLink = nullptr;
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
    SimWorld::TearDown();
  }

  TestHost host;
  Window page = kNoWindow;
};

}  // namespace testing_support
