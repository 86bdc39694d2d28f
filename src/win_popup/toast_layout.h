#pragma once

#include <cstdint>
#include <optional>

#include "win_popup/popup_layout.h"

namespace tarovik {

// Where the mode toast draws its parts, in client coordinates.
struct ToastLayout {
  std::optional<Rect> icon;  // absent when the program's icon could not be loaded
  Rect dot;
  std::optional<Rect> chip;  // absent without a shortcut to show
  Rect title;
  friend bool operator==(const ToastLayout&, const ToastLayout&) = default;
};

// The mode toast's box in the candidate popup window, at the bottom right of the work area.
PopupBox toast_box(std::int32_t title_width, double s, Rect work);

// The toast's parts for a client of w × h drawn at scale m: icon, status dot and title from
// the left, the shortcut chip at the right.
ToastLayout toast_layout(std::int32_t w, std::int32_t h, double m, bool icon_loaded, bool has_shortcut);

}  // namespace tarovik
