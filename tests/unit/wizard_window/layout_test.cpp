#include "wizard/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orvane {
namespace {

const ControlSpec& Row(const char* handleName) {
  for (const ControlSpec& spec : WizardControlTable()) {
    if (std::string(spec.handleName) == handleName) return spec;
  }
  ADD_FAILURE() << "no row " << handleName;
  return WizardControlTable()[0];
}

TEST(Layout, EachValueRoundsToNearestWithHalvesToEven) {
  EXPECT_EQ(ScaleUnits(13, 1.25f), 16);   // 16.25
  EXPECT_EQ(ScaleUnits(31, 1.25f), 39);   // 38.75
  EXPECT_EQ(ScaleUnits(417, 1.5f), 626);  // 625.5 -> even
  EXPECT_EQ(ScaleUnits(18, 1.5f), 27);
  EXPECT_EQ(ScaleUnits(1, 1.5f), 2);  // 1.5 -> 2
  EXPECT_EQ(ScaleUnits(5, 1.5f), 8);  // 7.5 -> 8
  EXPECT_EQ(ScaleUnits(3, 1.5f), 4);  // 4.5 -> 4
  EXPECT_EQ(ScaleUnits(450, 1.0f), 450);
  EXPECT_EQ(ScaleUnits(450, 1.25f), 562);  // 562.5 -> 562
  EXPECT_EQ(ScaleUnits(320, 1.5f), 480);
}

TEST(Layout, FontHeightFollowsTheScreen) {
  EXPECT_EQ(FontHeightForPoints(9, 96, 96), -12);
  EXPECT_EQ(FontHeightForPoints(9, 144, 144), -18);
  EXPECT_EQ(FontHeightForPoints(9, 120, 120), -15);
  EXPECT_EQ(FontHeightForPoints(10, 96, 96), -13);  // 13.33
  EXPECT_EQ(FontHeightForPoints(9, 96, 0), 0);
}

TEST(Layout, WindowIsCentredWithIntegerDivision) {
  const Point p = CentreOnScreen(450, 320, 1920, 1080);
  EXPECT_EQ(p.x, 735);
  EXPECT_EQ(p.y, 380);
  const Point odd = CentreOnScreen(451, 321, 1024, 768);
  EXPECT_EQ(odd.x, 286);
  EXPECT_EQ(odd.y, 223);
}

TEST(Layout, TenControlsInCreationOrderWithDistinctIds) {
  const auto& table = WizardControlTable();
  const char* order[] = {"ProgressLabel",        "LaunchAfterFinishCheck",
                         "DesktopShortcutCheck", "BrowseButton",
                         "TargetFolderGroup",    "TargetFolderEdit",
                         "ProgressBar",          "BackButton",
                         "CancelButton",         "NextButton"};
  std::set<int> ids;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_STREQ(table[i].handleName, order[i]);
    ids.insert(table[i].id);
    // Every control lies inside x <= 434, y <= 280 of the client area.
    EXPECT_LE(table[i].x + table[i].width, 434) << order[i];
    EXPECT_LE(table[i].y + table[i].height, 280) << order[i];
  }
  EXPECT_EQ(ids.size(), 10u);
  EXPECT_EQ(ids.count(1001), 0u);
  EXPECT_EQ(Row("CancelButton").id, 2);
}

TEST(Layout, OnlyTheBottomButtonsStartVisible) {
  constexpr uint32_t kVisible = 0x10000000;
  for (const ControlSpec& spec : WizardControlTable()) {
    const bool bottom = spec.id == 1008 || spec.id == 2 || spec.id == 1009;
    EXPECT_EQ((spec.styles & kVisible) != 0, bottom) << spec.handleName;
  }
}

TEST(Layout, LabelAt144DpiMatchesTheScaledTable) {
  const PixelRect r = ScaleControl(Row("ProgressLabel"), 1.5f, 1.5f);
  EXPECT_EQ(r.x, 18);
  EXPECT_EQ(r.y, 296);  // 197 * 1.5 = 295.5 -> 296
  EXPECT_EQ(r.width, 626);
  EXPECT_EQ(r.height, 27);
  const PixelRect check = ScaleControl(Row("DesktopShortcutCheck"), 1.25f, 1.25f);
  EXPECT_EQ(check.height, 16);
  EXPECT_EQ(check.x, 39);
}

}  // namespace
}  // namespace orvane
