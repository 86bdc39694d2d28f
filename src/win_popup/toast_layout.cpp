#include "win_popup/toast_layout.h"

#include <algorithm>

namespace tarovik {

PopupBox toast_box(std::int32_t title_width, double s, Rect work) {
  const std::int32_t w = std::max(title_width + scaled(186, s), scaled(356, s));
  const std::int32_t h = scaled(46, s);
  return {work.right - (scaled(16, s) + w), work.bottom - (scaled(64, s) + h), w, h};
}

ToastLayout toast_layout(std::int32_t w, std::int32_t h, double m, bool icon_loaded, bool has_shortcut) {
  ToastLayout layout;
  std::int32_t x = scaled(12, m);
  if (icon_loaded) {
    const std::int32_t size = scaled(22, m);
    const std::int32_t top = (h - size) / 2;
    layout.icon = Rect{x, top, x + size, top + size};
    x += size + scaled(8, m);
  }
  const std::int32_t d = scaled(8, m);
  layout.dot = {x, (h - d) / 2, x + d, (h - d) / 2 + d};
  std::int32_t c = 0;
  if (has_shortcut) {
    c = scaled(122, m);
    layout.chip = Rect{w - c - scaled(12, m), scaled(10, m), w - scaled(12, m), h - scaled(10, m)};
  }
  layout.title = {layout.dot.right + scaled(10, m), 0, w - c - scaled(20, m), h};
  return layout;
}

}  // namespace tarovik
