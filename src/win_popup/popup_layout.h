#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarovik {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Whether the point lies in the rectangle, bounds inclusive.
inline constexpr bool contains(const Rect& r, Point p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

inline constexpr std::size_t kMaxPopupRows = 7;
inline constexpr Point kFallbackAnchor{120, 120};

// base × s truncated toward zero to 32 bits, saturating; NaN gives 0.
std::int32_t scaled(double base, double s);

// The size factor: the user's factor times dpi / 96, a dpi of 0 counting as 1.0.
double ui_scale(double user_factor, std::uint32_t dpi);

// Where the popup is anchored, from what the system reported about the foreground window.
struct AnchorInputs {
  bool has_foreground = false;
  std::optional<Point> caret;    // the caret's top-left on screen, when known and not all zero
  std::optional<Point> cursor;   // the mouse position, when it could be read
  std::optional<Rect> window;    // the foreground window's rectangle, when it could be read
};
Point choose_popup_anchor(const AnchorInputs& in);

struct PopupBox {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PopupBox&, const PopupBox&) = default;
};

// Size from the measured texts and the row count, then placed at the anchor inside the work
// area: kept 8s from the right edge, flipped above the caret at the bottom.
PopupBox place_popup(Point anchor, std::int32_t candidate_width, std::int32_t header_width, std::size_t rows,
                     double s, Rect work_area);

// The clickable rectangles of the drawn rows, in client coordinates, for a client width and
// drawing scale M.
std::vector<Rect> popup_row_rects(std::int32_t client_width, std::size_t rows, double m);

// A popup row under a point, with the text it shows there.
struct PopupRowHit {
  std::size_t index = 0;
  std::string text;
};

// The row under a client point, bounds inclusive.
std::optional<std::size_t> popup_hit_test(const std::vector<Rect>& rows, Point point);

// The header's hint at the right: how to cancel, and the toggle shortcut.
std::string popup_hint(std::string_view shortcut_label);

}  // namespace tarovik
