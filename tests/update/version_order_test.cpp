// The text comparison the update decision relies on, checked against the order
// the Windows comparison gives the version texts of the table.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "platform/text.h"
#include "update/version_order_table.h"

namespace {

static_assert(std::size(kVersionOrder) >= 40);

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(VersionOrder, EveryPairComparesAsOnWindowsInBothDirections) {
  for (const VersionPair& pair : kVersionOrder) {
    SCOPED_TRACE(std::string("\"") + pair.a + "\" against \"" + pair.b + "\"");
    EXPECT_EQ(Sign(platform::CompareText(pair.a, pair.b)), pair.order);
    EXPECT_EQ(Sign(platform::CompareText(pair.b, pair.a)), -pair.order);
  }
}

TEST(VersionOrder, AnyTwoTextsOfTheTableCompareOppositeWaysRound) {
  std::set<std::string> texts;
  for (const VersionPair& pair : kVersionOrder) {
    texts.insert(pair.a);
    texts.insert(pair.b);
  }
  for (const std::string& a : texts) {
    EXPECT_EQ(platform::CompareText(a.c_str(), a.c_str()), 0) << a;
    for (const std::string& b : texts) {
      if (a == b) continue;
      int forward = Sign(platform::CompareText(a.c_str(), b.c_str()));
      EXPECT_NE(forward, 0) << "\"" << a << "\" and \"" << b << "\" are different texts";
      EXPECT_EQ(Sign(platform::CompareText(b.c_str(), a.c_str())), -forward) << a << " / " << b;
    }
  }
}

}  // namespace
