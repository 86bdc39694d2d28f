#include "win_popup/candidate_popup_win32.h"

#include <algorithm>
#include <cwchar>

#include "base/utf8.h"
#include "win_popup/toast_layout.h"

namespace tarovik {

namespace {

constexpr Palette kLight{RGB(255, 255, 255), RGB(212, 212, 212), RGB(0, 0, 0),
                         RGB(82, 82, 82),    RGB(240, 240, 240), RGB(255, 255, 255)};
constexpr Palette kDark{RGB(14, 14, 14), RGB(48, 48, 48), RGB(255, 255, 255),
                        RGB(163, 163, 163), RGB(32, 32, 32), RGB(0, 0, 0)};

void draw_text(HDC dc, const std::string& text, Rect r, UINT align, COLORREF colour) {
  draw_ui_text(dc, to_wide(text), r, align, colour);
}

// Format characters (joiners, marks of direction) draw as nothing in any face.
bool is_format_character(wchar_t c) { return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064); }

// Whether the font selected into dc has a glyph for every character of text.
bool has_glyphs(HDC dc, std::wstring_view text) {
  std::vector<WORD> glyphs(text.size());
  if (text.empty() || GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), glyphs.data(),
                                       GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
    return true;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool surrogate = text[i] >= 0xD800 && text[i] <= 0xDFFF;
    if (glyphs[i] == 0xFFFF && !surrogate && !is_format_character(text[i])) return false;
  }
  return true;
}

// Selects the symbol face, at the size and weight of the font selected into dc, while draw
// runs, when that font lacks a glyph of text.
template <class Draw>
auto with_glyphs_for(HDC dc, std::wstring_view text, Draw draw) {
  HFONT symbol = nullptr;
  LOGFONTW font{};
  if (!has_glyphs(dc, text) && GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font) != 0) {
    wcsncpy(font.lfFaceName, kSymbolFallbackFace, LF_FACESIZE - 1);
    symbol = CreateFontIndirectW(&font);
  }
  HGDIOBJ old = symbol != nullptr ? SelectObject(dc, symbol) : nullptr;
  const auto result = draw();
  if (symbol != nullptr) {
    SelectObject(dc, old);
    DeleteObject(symbol);
  }
  return result;
}

void paint_candidates(HDC dc, UiThreadState& ui, int w, double m, const Palette& p) {
  HFONT header = create_ui_font(kPopupHeaderFont, m);
  HFONT candidate = create_ui_font(kPopupCandidateFont, m);
  HFONT number = create_ui_font(kPopupRowNumberFont, m);
  HGDIOBJ old_font = SelectObject(dc, header);
  draw_text(dc, ui.header_text, {scaled(12, m), scaled(3, m), w / 2 + scaled(24, m), scaled(28, m)}, DT_LEFT, p.primary);
  draw_text(dc, popup_hint(ui.shortcut_label), {scaled(10, m), scaled(3, m), w - scaled(12, m), scaled(28, m)}, DT_RIGHT,
            p.secondary);
  HPEN rule = CreatePen(PS_SOLID, 1, p.border);
  HGDIOBJ old = SelectObject(dc, rule);
  MoveToEx(dc, scaled(10, m), scaled(30, m), nullptr);
  LineTo(dc, w - scaled(10, m), scaled(30, m));
  SelectObject(dc, old);
  DeleteObject(rule);

  ui.hit_rects = popup_row_rects(w, ui.rows.size(), m);
  for (std::size_t i = 0; i < ui.hit_rects.size(); ++i) {
    const Rect& r = ui.hit_rects[i];
    const bool selected = i == ui.selected;
    if (selected) {
      draw_round_rect(dc, {r.left, r.top, r.right, r.bottom}, scaled(10, m), p.primary, p.primary);
    } else {
      draw_round_rect(dc, {scaled(18, m), r.top + scaled(6, m), scaled(38, m), r.bottom - scaled(6, m)}, scaled(6, m), p.chip,
              p.chip);
    }
    SelectObject(dc, number);
    draw_text(dc, std::to_string(i + 1), {scaled(24, m), r.top + scaled(6, m), scaled(38, m), r.bottom - scaled(6, m)},
              DT_LEFT, selected ? p.on_selected : p.secondary);
    SelectObject(dc, candidate);
    draw_text(dc, ui.rows[i].text, {scaled(48, m), r.top, w - scaled(18, m), r.bottom}, DT_LEFT,
              selected ? p.on_selected : p.primary);
  }
  SelectObject(dc, old_font);  // a font still selected into the DC would not be freed
  DeleteObject(header);
  DeleteObject(candidate);
  DeleteObject(number);
}

void paint_toast(HDC dc, const UiThreadState& ui, int w, int h, double m, const Palette& p) {
  const std::int32_t icon_size = scaled(22, m);
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, icon_size, icon_size, LR_SHARED));
  const ToastLayout layout = toast_layout(w, h, m, icon != nullptr, ui.toast_shortcut.has_value());
  if (layout.icon) DrawIconEx(dc, layout.icon->left, layout.icon->top, icon, icon_size, icon_size, 0, nullptr, DI_NORMAL);
  const COLORREF status = ui.toast_enabled ? p.primary : p.secondary;
  const Rect& dot = layout.dot;
  draw_round_rect(dc, {dot.left, dot.top, dot.right, dot.bottom}, dot.right - dot.left, status, status);

  HFONT title = create_ui_font(kToastTitleFont, m);
  HGDIOBJ old_font = SelectObject(dc, title);
  draw_text(dc, *ui.toast_title, layout.title, DT_LEFT, status);
  SelectObject(dc, old_font);
  DeleteObject(title);
  if (!layout.chip) return;
  const Rect& c = *layout.chip;
  draw_round_rect(dc, {c.left, c.top, c.right, c.bottom}, scaled(8, m), p.border, p.chip);
  HFONT chip_font = create_ui_font(kToastShortcutFont, m);
  old_font = SelectObject(dc, chip_font);
  draw_text(dc, *ui.toast_shortcut, c, DT_CENTER, p.secondary);
  SelectObject(dc, old_font);
  DeleteObject(chip_font);
}

void paint(HWND window) {
  paint_double_buffered(window, [](HDC dc, int w, int h) {
    UiThreadState& ui = ui_thread_state();
    ui.hit_rects.clear();
    const Palette& p = palette(ui.dark);
    const double m = std::max(static_cast<double>(ui.scale), 1.0);
    RECT all{0, 0, w, h};
    HBRUSH background = CreateSolidBrush(p.background);
    FillRect(dc, &all, background);
    DeleteObject(background);
    draw_round_rect(dc, all, scaled(14, m), p.border, p.background);
    SetBkMode(dc, TRANSPARENT);
    if (!ui.toast_title) {
      paint_candidates(dc, ui, w, m, p);
      return;
    }
    paint_toast(dc, ui, w, h, m, p);
  });
}

LRESULT CALLBACK candidate_popup_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR: {
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(window, &cursor);
      const bool on_row = popup_hit_test(ui_thread_state().hit_rects, {cursor.x, cursor.y}).has_value();
      SetCursor(LoadCursorW(nullptr, on_row ? IDC_HAND : IDC_ARROW));
      return 1;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

const Palette& palette(bool dark) { return dark ? kDark : kLight; }

void draw_round_rect(HDC dc, RECT r, int ellipse, COLORREF pen_colour, COLORREF brush_colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, pen_colour);
  HBRUSH brush = CreateSolidBrush(brush_colour);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  RoundRect(dc, r.left, r.top, r.right, r.bottom, ellipse, ellipse);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void paint_double_buffered(HWND window, const std::function<void(HDC, int, int)>& draw) {
  PAINTSTRUCT ps;
  HDC target = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  const int w = std::max<int>(client.right - client.left, 1);
  const int h = std::max<int>(client.bottom - client.top, 1);
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  draw(memory, w, h);
  BitBlt(target, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &ps);
}

void show_floating_window(HWND window, const PopupBox& box, std::int32_t radius) {
  SetWindowPos(window, HWND_TOPMOST, box.x, box.y, box.width, box.height, SWP_NOACTIVATE);
  apply_round_region(window, box.width, box.height, radius);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  InvalidateRect(window, nullptr, FALSE);
}

UiThreadState& ui_thread_state() {
  thread_local UiThreadState state;
  return state;
}

std::optional<PopupRowHit> popup_row_at(HWND popup, POINT screen) {
  wchar_t name[64] = {};
  if (popup == nullptr || GetClassNameW(popup, name, 64) == 0 || std::wcscmp(name, kPopupClass) != 0) return std::nullopt;
  if (!IsWindowVisible(popup) || !ScreenToClient(popup, &screen)) return std::nullopt;
  const UiThreadState& ui = ui_thread_state();
  const std::optional<std::size_t> row = popup_hit_test(ui.hit_rects, {screen.x, screen.y});
  if (!row || *row >= ui.rows.size()) return std::nullopt;
  return PopupRowHit{*row, ui.rows[*row].text};
}

std::wstring to_wide(const std::string& text) {
  const std::u16string units = utf8::to_utf16(text);
  return {units.begin(), units.end()};
}

HWND create_floating_window(HINSTANCE instance, const wchar_t* class_name, WNDPROC procedure, int width, int height) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = class_name;
  RegisterClassExW(&window_class);
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, class_name, class_name, WS_POPUP, 0, 0,
                         width, height, nullptr, nullptr, instance, nullptr);
}

HWND create_candidate_popup(HINSTANCE instance) {
  return create_floating_window(instance, kPopupClass, candidate_popup_wndproc, 260, 200);
}

HFONT create_ui_font(const wchar_t* face, std::int32_t height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

HFONT create_ui_font(const FontSpec& font, double s) { return create_ui_font(font.face, scaled(font.height, s), font.weight); }

std::int32_t measure_text(HFONT font, const std::string& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  const std::wstring wide = to_wide(text);
  const std::int32_t width = with_glyphs_for(dc, wide, [&] {
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return rect.right - rect.left;
  });
  SelectObject(dc, old);
  DeleteDC(dc);
  return width;
}

void draw_ui_text(HDC dc, std::wstring_view text, Rect r, UINT align, COLORREF colour) {
  RECT rect{r.left, r.top, r.right, r.bottom};
  SetTextColor(dc, colour);
  with_glyphs_for(dc, text, [&] {
    return DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  });
}

PopupTextWidths measure_popup_texts(const std::vector<PopupRow>& rows, const std::string& header,
                                    const std::string& shortcut_label, double s) {
  PopupTextWidths widths{scaled(140, s), 0};
  HFONT candidate_font = create_ui_font(kPopupCandidateFont, s);
  for (const PopupRow& row : rows) widths.candidates = std::max(widths.candidates, measure_text(candidate_font, row.text));
  DeleteObject(candidate_font);
  HFONT header_font = create_ui_font(kPopupHeaderFont, s);
  widths.header = measure_text(header_font, header) + scaled(52, s) + measure_text(header_font, popup_hint(shortcut_label));
  DeleteObject(header_font);
  return widths;
}

void apply_round_region(HWND window, std::int32_t width, std::int32_t height, std::int32_t radius) {
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  static const SetAttribute set_attribute = [] {
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    return dwm == nullptr ? nullptr
                          : reinterpret_cast<SetAttribute>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
  }();
  const DWORD round = 2;  // DWMWCP_ROUND for DWMWA_WINDOW_CORNER_PREFERENCE (33)
  if (set_attribute != nullptr && SUCCEEDED(set_attribute(window, 33, &round, sizeof round))) {
    SetWindowRgn(window, nullptr, TRUE);
    return;
  }
  HRGN region = CreateRoundRectRgn(0, 0, width + 1, height + 1, radius, radius);
  if (SetWindowRgn(window, region, TRUE) == 0) DeleteObject(region);
}

bool theme_is_dark(ThemeMode mode) {
  if (mode != ThemeMode::automatic) return mode == ThemeMode::dark;
  DWORD value = 1;
  DWORD size = sizeof value;
  const LONG status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
  return status == ERROR_SUCCESS && value == 0;
}

}  // namespace tarovik
