#include "win_popup/pill_layout.h"

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
  auto inside = [&](const Rect& r) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom; };
  if (inside(zones.gear)) return PillTarget::preferences;
  if (inside(zones.studio)) return PillTarget::studio;
  return PillTarget::toggle;
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
