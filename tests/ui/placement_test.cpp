#include <gtest/gtest.h>

#include "resources/language.h"
#include "resources/resources.h"
#include "support/test_host.h"
#include "ui/placement.h"

namespace {

class Placement : public ::testing::Test {
 protected:
  void SetUp() override { SetHost(&host); }
  void TearDown() override { SetHost(nullptr); }
  testing_support::TestHost host;
};

TEST_F(Placement, CentresOnTheOwnerOrTheScreenWithTruncatingHalves) {
  struct Case {
    Rect owner;  // left == right == 0: no owner
    Size screen;
    Rect window;
    Rect expected;
  };
  const Case cases[] = {
      {{100, 100, 500, 400}, {1024, 768}, {0, 0, 200, 100}, {200, 200, 400, 300}},
      {{0, 0, 0, 0}, {1024, 768}, {0, 0, 400, 300}, {312, 234, 712, 534}},
      {{0, 0, 0, 0}, {1024, 768}, {50, 60, 450, 360}, {312, 234, 712, 534}},
      // An owner 5 pixels narrower: -5 / 2 is -2, so the window starts 2 to the left.
      {{100, 100, 300, 300}, {1024, 768}, {0, 0, 205, 100}, {98, 150, 303, 250}},
      {{0, 0, 401, 0}, {1024, 768}, {0, 0, 200, 0}, {100, 0, 300, 0}},  // 201 / 2 is 100
      // Larger than the screen: partly outside, not clamped.
      {{0, 0, 0, 0}, {640, 480}, {0, 0, 801, 600}, {-80, -60, 721, 540}},
  };
  for (const Case& c : cases) {
    host.SetScreenSize(c.screen);
    Window owner = c.owner.right ? host.AddWindow(kNoWindow, nullptr, c.owner, "") : kNoWindow;
    Window window = host.AddWindow(owner, nullptr, c.window, "");
    CenterWindow(window);
    EXPECT_EQ(host.WindowRect(window), c.expected) << c.expected.left << "," << c.expected.top;
  }
}

TEST_F(Placement, TheWaitPopupShowsItsTextCentredOverItsOwner) {
  res::SetCurrentLanguage(1031);
  Window owner = host.AddWindow(kNoWindow, nullptr, {100, 100, 700, 500}, "");
  Window popup = host.CreateModeless(res::kVersionPopupTemplate, owner, VersionCheckPopup, 0);
  ASSERT_NE(popup, kNoWindow);
  Rect rect = host.WindowRect(popup);
  EXPECT_EQ(rect.left + rect.right, 100 + 700 - ((700 - 100 - (rect.right - rect.left)) % 2));
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextCheckingVersion, text, sizeof text);
  auto texts = host.EventsOf(testing_support::HostEvent::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].control, 1010);
  EXPECT_EQ(texts[0].text, text);
  EXPECT_NE(texts[0].text.find('\n'), std::string::npos);
  // Its creator shows it; the template does not.
  EXPECT_TRUE(host.EventsOf(testing_support::HostEvent::Shown).empty());
  // Nothing it receives closes it.
  EXPECT_EQ(VersionCheckPopup(popup, kMsgCommand, kCommandCancel, 0), 0);
  EXPECT_TRUE(host.EventsOf(testing_support::HostEvent::Destroyed).empty());
  res::SetCurrentLanguage(0);
}

}  // namespace
