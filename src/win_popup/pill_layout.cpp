#include "win_popup/pill_layout.h"

#include <algorithm>
#include <cstdlib>

namespace tarovik {

PillZones pill_zones(std::int32_t w, std::int32_t h, double p, bool icon_loaded) {
  const std::int32_t x = icon_loaded ? scaled(6, p) + scaled(24, p) + scaled(5, p) : scaled(4, p);
  const std::int32_t m = scaled(4, p);
  const std::int32_t a = scaled(34, p);
  const std::int32_t b = scaled(68, p);
  return {{x, m, w - a - b - 2 * m, h - m}, {w - a - b - m, m, w - a - 2 * m, h - m}, {w - a - m, m, w - m, h - m}};
}

PillTarget pill_click_target(const PillZones& zones, Point p) {
  if (contains(zones.gear, p)) return PillTarget::preferences;
  if (contains(zones.studio, p)) return PillTarget::studio;
  return PillTarget::toggle;
}

PopupBox pill_box(std::optional<std::int32_t> saved_x, std::optional<std::int32_t> saved_y, double s, Rect work) {
  const std::int32_t w = scaled(248, s);
  const std::int32_t h = scaled(36, s);
  const std::int32_t x = saved_x.value_or(work.right - w - scaled(14, s));
  const std::int32_t y = saved_y.value_or(work.bottom - h - scaled(14, s));
  return {std::clamp(x, work.left + 8, std::max(work.left + 8, work.right - w - 8)),
          std::clamp(y, work.top + 8, std::max(work.top + 8, work.bottom - h - 8)), w, h};
}

void PillDrag::press(Point cursor, Point window_origin) {
  press_ = cursor;
  origin_ = window_origin;
  pressed_ = true;
  moved_ = false;
}

std::optional<Point> PillDrag::move(Point cursor) {
  if (!pressed_) return std::nullopt;
  const std::int32_t dx = cursor.x - press_.x;
  const std::int32_t dy = cursor.y - press_.y;
  if (std::abs(dx) > 4 || std::abs(dy) > 4) moved_ = true;
  if (!moved_) return std::nullopt;
  return Point{origin_.x + dx, origin_.y + dy};
}

bool PillDrag::release() {
  const bool was_moved = moved_;
  pressed_ = false;
  moved_ = false;
  return was_moved;
}

}  // namespace tarovik
