#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win_ime/settings.h"
#include "win_popup/popup_layout.h"
#include "win_popup/popup_view.h"
#include "win_popup/ui_fonts.h"

namespace tarovik {

inline constexpr wchar_t kPopupClass[] = L"TarovikCandidatePopup";
HWND create_candidate_popup(HINSTANCE instance);

// The row under a point on the screen when popup is the shown candidate popup; the mouse hook
// decides a click on it in its place among the keys.
std::optional<PopupRowHit> popup_row_at(HWND popup, POINT screen);

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
HFONT create_ui_font(const FontSpec& font, double s);
// The width of text in font, or in the symbol face where font lacks one of its glyphs.
std::int32_t measure_text(HFONT font, const std::string& text);
// Draws one line of text in the font selected into dc, or in the symbol face where that font
// lacks one of its glyphs.
void draw_ui_text(HDC dc, std::wstring_view text, Rect r, UINT align, COLORREF colour);

// The widths the popup's box is sized from: the widest of the rows, and the header with its hint.
struct PopupTextWidths {
  std::int32_t candidates = 0;
  std::int32_t header = 0;
};
PopupTextWidths measure_popup_texts(const std::vector<PopupRow>& rows, const std::string& header,
                                    const std::string& shortcut_label, double s);
void apply_round_region(HWND window, std::int32_t width, std::int32_t height, std::int32_t radius);
bool theme_is_dark(ThemeMode mode);

std::wstring to_wide(const std::string& text);

}  // namespace tarovik
