#include "net/wait_panel_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(WaitPanelRulesTest, DotSpeedsByQuarter) {
  EXPECT_EQ(AdvanceDotAngle(0), 3);
  EXPECT_EQ(AdvanceDotAngle(109), 112);
  EXPECT_EQ(AdvanceDotAngle(110), 112);
  EXPECT_EQ(AdvanceDotAngle(200), 201);
  EXPECT_EQ(AdvanceDotAngle(289), 290);
  EXPECT_EQ(AdvanceDotAngle(290), 294);
  EXPECT_EQ(AdvanceDotAngle(359), 3);  // 363 comes back round
  EXPECT_EQ(AdvanceDotAngle(356), 360);
  WaitPanelDots dots;
  AdvanceDots(dots);
  EXPECT_EQ(dots.angles, (std::array<int32_t, 6>{3, 43, 83, 122, 162, 201}));
}

TEST(WaitPanelRulesTest, TimeTextInSecondsThenMinutes) {
  EXPECT_EQ(WaitTimeText(0), "0.0s");
  EXPECT_EQ(WaitTimeText(12340), "12.3s");
  EXPECT_EQ(WaitTimeText(10000), "10.0s");
  EXPECT_EQ(WaitTimeText(59940), "59.9s");
  EXPECT_EQ(WaitTimeText(59960), "1n0.0s");  // 599.6 tenths round to 600
  EXPECT_EQ(WaitTimeText(65200), "1n5.2s");
  EXPECT_EQ(WaitTimeText(125000), "2n5.0s");
}

TEST(WaitPanelRulesTest, PanelSitsAboveTheMiddle) {
  const PixelRect at96 = WaitPanelRect(444, 291, 1.0, 1.0);
  EXPECT_EQ(at96.left, 162);
  EXPECT_EQ(at96.left + at96.width - 1, 281);
  EXPECT_EQ(at96.top, 65);
  EXPECT_EQ(at96.top + at96.height - 1, 184);
  const PixelRect at144 = WaitPanelRect(666, 437, 1.5, 1.5);
  EXPECT_EQ(at144.left, 333 - 90);
  EXPECT_EQ(at144.top, 218 - 120);
  EXPECT_EQ(at144.width, 180);
}

TEST(WaitPanelRulesTest, DotCornersOnTheCircle) {
  EXPECT_EQ(DotCorner(0, 1.0, 1.0).x, 110);  // centre 115, 60
  EXPECT_EQ(DotCorner(0, 1.0, 1.0).y, 55);
  EXPECT_EQ(DotCorner(90, 1.0, 1.0).x, 55);  // y grows downwards: clockwise
  EXPECT_EQ(DotCorner(90, 1.0, 1.0).y, 110);
  EXPECT_EQ(DotCorner(180, 2.0, 2.0).x, 0);
}

}  // namespace
}  // namespace orvane
