#include "win_ime/tray_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "win_ime/indicators.h"
#include "win_ime/host_messages.h"
#include "win_ime/registry_win32.h"
#include "win_popup/candidate_popup_win32.h"
#include "win_popup/status_pill_win32.h"
#include "win_popup/toast_layout.h"
#include "win_popup/pill_layout.h"

namespace tarovik {

HICON render_tray_icon(bool active) {
  // Opaque but for the rounded corners.
  BYTE mask_bits[32 * 4] = {};
  const BYTE outer[4] = {0xE0, 0x00, 0x00, 0x07};
  const BYTE inner[4] = {0x80, 0x00, 0x00, 0x01};
  std::memcpy(mask_bits, outer, 4);
  std::memcpy(mask_bits + 31 * 4, outer, 4);
  std::memcpy(mask_bits + 4, inner, 4);
  std::memcpy(mask_bits + 30 * 4, inner, 4);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, 32, 32);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old_bitmap = SelectObject(dc, colour);
  HBRUSH brush = CreateSolidBrush(active ? RGB(0, 0, 0) : RGB(245, 245, 245));
  HPEN pen = CreatePen(PS_SOLID, 1, active ? RGB(64, 64, 64) : RGB(163, 163, 163));
  RECT square{0, 0, 32, 32};
  FillRect(dc, &square, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  RoundRect(dc, 1, 1, 31, 31, 8, 8);
  HFONT font = create_ui_font(L"Nirmala UI", active ? 19 : 15, FW_BOLD);
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, active ? RGB(255, 255, 255) : RGB(0, 0, 0));
  const wchar_t* text = active ? L"\u0924\u093E" : L"EN";
  DrawTextW(dc, text, -1, &square, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  // Where the mask is transparent the colour is XORed onto the tray: only black leaves it as it is.
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if ((mask_bits[y * 4 + x / 8] & (0x80 >> (x % 8))) != 0) SetPixel(dc, x, y, RGB(0, 0, 0));
    }
  }
  SelectObject(dc, old_font);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_bitmap);

  HBITMAP mask = CreateBitmap(32, 32, 1, 1, mask_bits);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  DeleteObject(font);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteDC(dc);
  return icon;
}

void update_tray_icon(HWND host, DWORD operation, HICON icon_active, HICON icon_paused, const IndicatorState& state) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = host;
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_APP_TRAY_CALLBACK;
  data.hIcon = state.enabled ? icon_active : icon_paused;
  const std::u16string tip = tray_tooltip(state.enabled, shortcut_summary(state.config));
  std::copy(tip.begin(), tip.end(), data.szTip);
  Shell_NotifyIconW(operation, &data);
}

namespace {

Rect work_area_near(POINT point) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info)) return {0, 0, 1920, 1040};
  return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

void show_toast(HWND host, HWND popup, const IndicatorState& state) {
  const double s = ui_scale(ui_scale_factor(state.config.ui_scale), GetDpiForWindow(popup));
  const Rect work = work_area_near({20, 20});
  const std::string title = toast_title(state.enabled);
  HFONT font = create_ui_font(kToastTitleFont, s);
  const std::int32_t title_width = measure_text(font, title);
  DeleteObject(font);

  UiThreadState& ui = ui_thread_state();
  ui.toast_title = title;
  ui.toast_shortcut = std::string(shortcut_label(state.config.toggle_shortcut));
  ui.toast_enabled = state.enabled;
  ui.rows.clear();
  ui.hit_rects.clear();
  ui.dark = theme_is_dark(state.config.theme_mode);
  ui.scale = static_cast<float>(s);

  show_floating_window(popup, toast_box(title_width, s, work), scaled(14, s));
  SetTimer(host, kToastTimer, 1500, nullptr);
}

void place_pill(HWND pill, const IndicatorState& state) {
  if (!state.config.show_floating_pill) {
    ShowWindow(pill, SW_HIDE);
    return;
  }
  const double s = ui_scale(ui_scale_factor(state.config.ui_scale), GetDpiForWindow(pill));
  const Rect work = work_area_near({state.config.pill_x.value_or(20), state.config.pill_y.value_or(20)});
  PillViewState& view = pill_view_state();
  view.enabled = state.enabled;
  view.dark = theme_is_dark(state.config.theme_mode);
  view.scale = static_cast<float>(s);
  show_floating_window(pill, pill_box(state.config.pill_x, state.config.pill_y, s, work), scaled(18, s));
}

}  // namespace

void refresh_indicators(HWND host, HWND popup, HWND pill, HICON icon_active, HICON icon_paused,
                        const IndicatorState& state, bool enabled_changed) {
  update_tray_icon(host, NIM_MODIFY, icon_active, icon_paused, state);
  if (pill != nullptr) place_pill(pill, state);
  if (enabled_changed && state.config.show_mode_toast && popup != nullptr) show_toast(host, popup, state);
}

void show_tray_menu(HWND host, const IndicatorState& state) {
  HMENU menu = CreatePopupMenu();
  Win32Registry registry;
  for (const MenuRow& row : tray_menu_rows(state.enabled, state.config, autostart_enabled(registry))) {
    if (row.id == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING | (row.checked ? MF_CHECKED : MF_UNCHECKED), row.id, to_wide(menu_item_text(row.text)).c_str());
    }
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  SetForegroundWindow(host);
  TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, host, nullptr);
  DestroyMenu(menu);
}

void show_shortcuts_guide(HWND host, const std::string& summary) {
  MessageBoxW(host, to_wide(shortcuts_guide_text(summary)).c_str(), L"Tarovik Shortcuts Guide", MB_OK | MB_ICONINFORMATION);
}

}  // namespace tarovik
