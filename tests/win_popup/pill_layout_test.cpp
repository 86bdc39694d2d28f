#include "win_popup/pill_layout.h"

#include <gtest/gtest.h>

namespace tarovik {
namespace {

TEST(PillLayout, SitsBottomRightOrWhereSavedInsideTheWorkArea) {
  const Rect work{0, 0, 1920, 1040};
  EXPECT_EQ(pill_box(std::nullopt, std::nullopt, 1.0, work), (PopupBox{1920 - 248 - 14, 1040 - 36 - 14, 248, 36}));
  // Saved on a monitor that is gone.
  EXPECT_EQ(pill_box(5000, -300, 1.0, work), (PopupBox{1920 - 248 - 8, 8, 248, 36}));
}

TEST(PillLayout, ZonesAndTheirClicks) {
  const PillZones zones = pill_zones(248, 36, 1.0, true);
  EXPECT_EQ(zones.status, (Rect{35, 4, 138, 32}));
  EXPECT_EQ(zones.studio, (Rect{142, 4, 206, 32}));
  EXPECT_EQ(zones.gear, (Rect{210, 4, 244, 32}));
  EXPECT_EQ(pill_zones(248, 36, 1.0, false).status.left, 4);
  EXPECT_EQ(pill_click_target(zones, {210, 4}), PillTarget::preferences);  // bounds inclusive
  EXPECT_EQ(pill_click_target(zones, {150, 20}), PillTarget::studio);
  EXPECT_EQ(pill_click_target(zones, {208, 20}), PillTarget::toggle);  // the separator between studio and gear
  EXPECT_EQ(pill_click_target(zones, {1, 1}), PillTarget::toggle);
}

TEST(PillLayout, DragStartsBeyondFourPixelsAndStaysADrag) {
  PillDrag drag;
  drag.press({100, 100}, {500, 600});
  EXPECT_FALSE(drag.move({104, 96}).has_value());
  EXPECT_FALSE(drag.release());  // a click

  drag.press({100, 100}, {500, 600});
  EXPECT_EQ(drag.move({110, 100}), (Point{510, 600}));
  EXPECT_EQ(drag.move({100, 100}), (Point{500, 600}));  // back at the press point: still a drag
  EXPECT_TRUE(drag.release());
  EXPECT_FALSE(drag.move({200, 200}).has_value());  // no press
}

}  // namespace
}  // namespace tarovik
