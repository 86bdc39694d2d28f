#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win_ime/settings.h"
#include "win_popup/popup_layout.h"

namespace tarovik {

struct PopupRow {
  std::string text;
  std::int64_t score = 0;
};

// What the popup shows; written by the host window, read by the popup's window procedure.
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

// The host window thread's popup view and click handler.
UiThreadState& ui_thread_state();
void set_popup_click_callback(std::function<void(std::size_t)> callback);

inline constexpr wchar_t kPopupClass[] = L"TarovikCandidatePopup";
HWND create_candidate_popup(HINSTANCE instance);

// The light and dark colours shared by the popup and the pill.
struct Palette {
  COLORREF background, border, primary, secondary, chip, on_selected;
};
const Palette& palette(bool dark);

void draw_round_rect(HDC dc, RECT rect, int ellipse, COLORREF pen_colour, COLORREF brush_colour);
// Paints into a bitmap of the client's size and copies it to the window in one blit.
void paint_double_buffered(HWND window, const std::function<void(HDC dc, int width, int height)>& draw);
// Registers the class and creates a hidden top-most tool window that never takes the focus.
HWND create_floating_window(HINSTANCE instance, const wchar_t* class_name, WNDPROC procedure, int width, int height);
// Moves, sizes and rounds a top-most window and shows it without activating it.
void show_floating_window(HWND window, const PopupBox& box, std::int32_t radius);

HFONT create_ui_font(const wchar_t* face, std::int32_t height, int weight);
std::int32_t measure_text(HFONT font, const std::string& text);
void apply_round_region(HWND window, std::int32_t width, std::int32_t height, std::int32_t radius);
bool theme_is_dark(ThemeMode mode);

std::wstring to_wide(const std::string& text);

}  // namespace tarovik
