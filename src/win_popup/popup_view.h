#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win_popup/popup_layout.h"

namespace tarovik {

struct PopupRow {
  std::string text;
  std::int64_t score = 0;
};

// What the candidate popup shows: its rows or the mode toast. Written by the host window,
// read by the popup's window procedure, both on the host window thread.
struct UiThreadState {
  std::string header_text;
  std::string shortcut_label;
  std::vector<PopupRow> rows;
  std::vector<Rect> hit_rects;
  std::optional<std::string> toast_title;
  std::optional<std::string> toast_shortcut;
  std::size_t selected = 0;
  float scale = 0.0F;
  bool toast_enabled = false;
  bool dark = false;
};

UiThreadState& ui_thread_state();

}  // namespace tarovik
