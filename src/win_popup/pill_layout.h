#pragma once

#include <cstdint>
#include <optional>

#include "win_popup/popup_layout.h"

namespace tarovik {

struct PillZones {
  Rect status;
  Rect studio;
  Rect gear;
};

// The three click targets of a pill of client size w × h drawn at scale p; the status chip
// starts after the icon when the icon could be loaded.
PillZones pill_zones(std::int32_t w, std::int32_t h, double p, bool icon_loaded);

// The pill's box: the saved place or the bottom-right corner, kept 8 pixels inside the work area.
PopupBox pill_box(std::optional<std::int32_t> saved_x, std::optional<std::int32_t> saved_y, double s, Rect work);

enum class PillTarget : std::uint8_t { toggle, studio, preferences };
PillTarget pill_click_target(const PillZones& zones, Point client_point);

// A press on the pill becomes a drag once the cursor strays more than 4 pixels from where
// it was pressed; the release is then a move, otherwise a click.
class PillDrag {
 public:
  void press(Point cursor, Point window_origin);
  // The window's new top-left corner while dragging, or nothing.
  std::optional<Point> move(Point cursor);
  // True when the press became a drag; either way the press ends.
  bool release();

 private:
  Point press_{};
  Point origin_{};
  bool pressed_ = false;
  bool moved_ = false;
};

}  // namespace tarovik
