#include "win_popup/toast_layout.h"

#include <gtest/gtest.h>

namespace tarovik {
namespace {

TEST(ToastLayout, AtTheBottomRight) {
  EXPECT_EQ(toast_box(100, 1.0, {0, 0, 1920, 1040}), (PopupBox{1920 - 16 - 356, 1040 - 64 - 46, 356, 46}));
  EXPECT_EQ(toast_box(300, 1.0, {0, 0, 1920, 1040}).width, 486);
}

TEST(ToastLayout, IconDotTitleAndChipAtTwoScales) {
  struct Case {
    std::int32_t w, h;
    double m;
    bool icon, shortcut;
    ToastLayout expected;
  };
  const Case cases[] = {
      {356, 46, 1.0, true, true, {Rect{12, 12, 34, 34}, {42, 19, 50, 27}, Rect{222, 10, 344, 36}, {60, 0, 214, 46}}},
      {534, 69, 1.5, true, true, {Rect{18, 18, 51, 51}, {63, 28, 75, 40}, Rect{333, 15, 516, 54}, {90, 0, 321, 69}}},
      // No icon: the dot moves to 12M; no shortcut: the title runs to W - 20M.
      {356, 46, 1.0, false, false, {std::nullopt, {12, 19, 20, 27}, std::nullopt, {30, 0, 336, 46}}},
      {534, 69, 1.5, false, true, {std::nullopt, {18, 28, 30, 40}, Rect{333, 15, 516, 54}, {45, 0, 321, 69}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toast_layout(c.w, c.h, c.m, c.icon, c.shortcut), c.expected) << c.w << " icon " << c.icon;
  }
}

}  // namespace
}  // namespace tarovik
