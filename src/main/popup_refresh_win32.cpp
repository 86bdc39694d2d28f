// The candidate popup at the caret of the foreground window: where it goes, how large it is,
// and the rows it shows.
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "main/host_ui.h"
#include "win_ime/host_win32.h"
#include "win_popup/candidate_popup_win32.h"

namespace tarovik {

namespace {

std::optional<Point> caret_on_screen(HWND foreground) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) return std::nullopt;
  HWND owner = info.hwndCaret != nullptr ? info.hwndCaret : info.hwndFocus;
  const RECT& caret = info.rcCaret;
  if (owner == nullptr || (caret.left == 0 && caret.top == 0 && caret.bottom == 0)) return std::nullopt;
  POINT point{caret.left, caret.top};
  if (!ClientToScreen(owner, &point)) return std::nullopt;
  return Point{point.x, point.y};
}

Point popup_anchor() {
  AnchorInputs in;
  HWND foreground = GetForegroundWindow();
  in.has_foreground = foreground != nullptr;
  if (foreground != nullptr) {
    in.caret = caret_on_screen(foreground);
    POINT cursor{};
    if (GetCursorPos(&cursor)) in.cursor = Point{cursor.x, cursor.y};
    RECT window{};
    if (GetWindowRect(foreground, &window)) in.window = Rect{window.left, window.top, window.right, window.bottom};
  }
  return choose_popup_anchor(in);
}

Rect work_area_at(Point anchor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromPoint({anchor.x, anchor.y}, MONITOR_DEFAULTTONEAREST), &info)) return {0, 0, 1920, 1080};
  return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

// The popup's view of the state: its first rows, the header and the look, and the user's size
// factor the scale is made from.
double copy_rows(UiThreadState& ui, const ImeState& state) {
  const std::size_t n = std::min(state.candidates.size(), kMaxPopupRows);
  ui.header_text = state.roman.empty() ? "next" : state.roman;
  ui.shortcut_label = std::string(shortcut_label(state.config.toggle_shortcut));
  ui.rows.clear();
  for (std::size_t i = 0; i < n; ++i) ui.rows.push_back({state.candidates[i].text, state.candidates[i].score});
  ui.selected = n == 0 ? 0 : std::min(state.selected, n - 1);
  ui.toast_title.reset();
  ui.toast_shortcut.reset();
  ui.dark = theme_is_dark(state.config.theme_mode);
  return ui_scale_factor(state.config.ui_scale);
}

// Copies what the popup shows under the state's lock; nothing of the windows' is called with it
// held, since a hook call may come in while a window call waits.
std::optional<double> copy_shown_rows(SharedState& shared) {
  std::lock_guard lock(shared.mutex);
  if (!rows_shown(shared.state)) return std::nullopt;
  return copy_rows(ui_thread_state(), shared.state);
}

}  // namespace

void refresh_popup() {
  HWND popup = host_ui().popup_window;
  if (popup == nullptr) return;
  SharedState* shared = GLOBAL_STATE.load();
  const std::optional<double> user_factor = shared != nullptr ? copy_shown_rows(*shared) : std::nullopt;
  UiThreadState& ui = ui_thread_state();
  if (!user_factor) {
    // The mode toast keeps the popup until its timer ends it.
    if (!ui.toast_title) ShowWindow(popup, SW_HIDE);
    ui.rows.clear();
    ui.hit_rects.clear();
    return;
  }
  const Point anchor = popup_anchor();
  // Moved first: the scale follows the DPI of the monitor the popup is on.
  SetWindowPos(popup, HWND_TOPMOST, anchor.x, anchor.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  const double s = ui_scale(*user_factor, GetDpiForWindow(popup));
  ui.scale = static_cast<float>(s);
  const PopupTextWidths widths = measure_popup_texts(ui.rows, ui.header_text, ui.shortcut_label, s);
  const PopupBox box = place_popup(anchor, widths.candidates, widths.header, ui.rows.size(), s, work_area_at(anchor));
  show_floating_window(popup, box, scaled(14, s));
  // Painted now: a click is decided against the rows on screen.
  UpdateWindow(popup);
}

}  // namespace tarovik
