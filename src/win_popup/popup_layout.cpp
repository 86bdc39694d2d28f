#include "win_popup/popup_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarovik {

std::int32_t scaled(double base, double s) {
  const double value = base * s;
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);  // truncates toward zero
}

double ui_scale(double user_factor, std::uint32_t dpi) {
  return user_factor * (dpi == 0 ? 1.0 : static_cast<double>(dpi) / 96.0);
}

Point choose_popup_anchor(const AnchorInputs& in) {
  if (!in.has_foreground) return kFallbackAnchor;
  if (in.caret) return *in.caret;
  if (!in.cursor) return kFallbackAnchor;
  const Rect r = in.window.value_or(Rect{});
  const Point c = *in.cursor;
  if (in.window && contains(r, c)) return c;
  return {std::max(r.left + 32, 20), std::max(r.top + 84, 40)};
}

PopupBox place_popup(Point anchor, std::int32_t candidate_width, std::int32_t header_width, std::size_t rows,
                     double s, Rect work) {
  const std::size_t n = std::min(rows, kMaxPopupRows);
  const std::int32_t width = std::min(std::max({candidate_width + scaled(82, s), scaled(292, s), header_width}),
                                      scaled(440, s));
  const std::int32_t height = scaled(34.0 * static_cast<double>(n) + 42.0, s);
  const std::int32_t margin = scaled(8, s);
  const std::int32_t drop = scaled(24, s);

  std::int32_t x = 0;
  if (static_cast<std::int64_t>(anchor.x) + margin + width > work.right) {
    x = std::max(work.right - width - margin, work.left + margin);
  } else {
    x = std::max(anchor.x, work.left + margin);
  }
  std::int32_t y = anchor.y + drop;
  if (static_cast<std::int64_t>(y) + height + margin > work.bottom) {
    y = std::max(anchor.y - height - margin, work.top + margin);  // above the caret
  }
  return {x, y, width, height};
}

std::vector<Rect> popup_row_rects(std::int32_t client_width, std::size_t rows, double m) {
  std::vector<Rect> rects;
  const std::size_t n = std::min(rows, kMaxPopupRows);
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t top = scaled(34, m) + static_cast<std::int32_t>(i) * scaled(34, m);
    rects.push_back({scaled(10, m), top, client_width - scaled(10, m), top + scaled(32, m)});
  }
  return rects;
}

std::optional<std::size_t> popup_hit_test(const std::vector<Rect>& rows, Point p) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (contains(rows[i], p)) return i;
  }
  return std::nullopt;
}

std::string popup_hint(std::string_view shortcut_label) {
  return shortcut_label.empty() ? "Esc: EN" : "Esc  •  " + std::string(shortcut_label);
}

}  // namespace tarovik
