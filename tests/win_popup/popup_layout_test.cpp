#include "win_popup/popup_layout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarovik {
namespace {

const Rect kScreen{0, 0, 1920, 1040};

TEST(PopupAnchor, CaretThenCursorThenWindowCorner) {
  EXPECT_EQ(choose_popup_anchor({}), (Point{120, 120}));
  EXPECT_EQ(choose_popup_anchor({true, Point{300, 400}, Point{5, 5}, Rect{0, 0, 10, 10}}), (Point{300, 400}));
  EXPECT_EQ(choose_popup_anchor({true, std::nullopt, Point{50, 60}, Rect{0, 0, 100, 100}}), (Point{50, 60}));
  EXPECT_EQ(choose_popup_anchor({true, std::nullopt, Point{100, 100}, Rect{0, 0, 100, 100}}), (Point{100, 100}));
  EXPECT_EQ(choose_popup_anchor({true, std::nullopt, Point{500, 60}, Rect{200, 300, 400, 400}}), (Point{232, 384}));
  EXPECT_EQ(choose_popup_anchor({true, std::nullopt, Point{500, 60}, std::nullopt}), (Point{32, 84}));
  EXPECT_EQ(choose_popup_anchor({true, std::nullopt, std::nullopt, Rect{0, 0, 100, 100}}), (Point{120, 120}));
}

TEST(PopupPlacement, SizesFromTextAndRows) {
  const PopupBox box = place_popup({100, 100}, 100, 50, 5, 1.0, kScreen);
  EXPECT_EQ(box, (PopupBox{100, 124, 292, 34 * 5 + 42}));
  // Wide candidates grow the popup up to 440s; more than seven rows count as seven.
  EXPECT_EQ(place_popup({100, 100}, 1000, 50, 9, 1.0, kScreen).width, 440);
  EXPECT_EQ(place_popup({100, 100}, 1000, 50, 9, 1.0, kScreen).height, 34 * 7 + 42);
  EXPECT_EQ(place_popup({100, 100}, 300, 50, 1, 1.0, kScreen).width, 382);
  EXPECT_EQ(place_popup({100, 100}, 0, 50, 3, 1.5, kScreen).height, static_cast<int>((34 * 3 + 42) * 1.5));
}

TEST(PopupPlacement, StaysInsideTheWorkArea) {
  // At the right edge the popup's right edge stays 8s inside.
  const PopupBox right = place_popup({1900, 100}, 100, 50, 3, 1.0, kScreen);
  EXPECT_EQ(right.x + right.width, 1920 - 8);
  // At the bottom it flips above the caret, its bottom 8s above the caret's top.
  const PopupBox bottom = place_popup({100, 1000}, 100, 50, 3, 1.0, kScreen);
  EXPECT_EQ(bottom.y + bottom.height, 1000 - 8);
  // A second monitor to the left keeps the 8s margin from its left edge.
  const PopupBox left = place_popup({-1915, 100}, 100, 50, 3, 1.0, Rect{-1920, 0, 0, 1040});
  EXPECT_EQ(left.x, -1912);
}

TEST(PopupRows, HitRectsAreInclusiveWithGapsBetweenRows) {
  const auto rows = popup_row_rects(300, 9, 1.0);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0], (Rect{10, 34, 290, 66}));
  EXPECT_EQ(popup_hit_test(rows, {10, 34}), 0u);
  EXPECT_EQ(popup_hit_test(rows, {290, 66}), 0u);
  EXPECT_FALSE(popup_hit_test(rows, {100, 67}).has_value());  // the gap before row 2
  EXPECT_EQ(popup_hit_test(rows, {100, 68}), 1u);
  EXPECT_FALSE(popup_hit_test(rows, {5, 40}).has_value());
}

TEST(PopupScale, TruncatesAndSaturates) {
  EXPECT_EQ(scaled(34, 0.9), 30);
  EXPECT_EQ(scaled(1e12, 1.0), 2147483647);
  EXPECT_EQ(scaled(std::nan(""), 1.0), 0);
  EXPECT_DOUBLE_EQ(ui_scale(1.2, 144), 1.8);
  EXPECT_DOUBLE_EQ(ui_scale(0.9, 0), 0.9);
}

}  // namespace
}  // namespace tarovik
