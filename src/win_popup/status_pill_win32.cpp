#include "win_popup/status_pill_win32.h"

#include <algorithm>

#include "win_ime/host_messages.h"
#include "win_popup/candidate_popup_win32.h"
#include "win_popup/pill_layout.h"

namespace tarovik {

namespace {

HWND& owner_window() {
  thread_local HWND owner = nullptr;
  return owner;
}
PillZones& zones() {
  thread_local PillZones z{};
  return z;
}
PillDrag& drag() {
  thread_local PillDrag d;
  return d;
}

void post_owner(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  if (owner_window() != nullptr) PostMessageW(owner_window(), message, wparam, lparam);
}

void paint_pill(HDC dc, int w, int h) {
  const PillViewState& view = pill_view_state();
  const Palette& c = palette(view.dark);
  const double p = std::max(static_cast<double>(view.scale), 0.85);
  RECT all{0, 0, w, h};
  HBRUSH background = CreateSolidBrush(c.background);
  FillRect(dc, &all, background);
  DeleteObject(background);
  draw_round_rect(dc, all, scaled(18, p), c.border, c.background);
  SetBkMode(dc, TRANSPARENT);

  const int icon_size = scaled(24, p);
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, icon_size, icon_size, LR_SHARED));
  if (icon != nullptr) DrawIconEx(dc, scaled(6, p), (h - icon_size) / 2, icon, icon_size, icon_size, 0, nullptr, DI_NORMAL);
  zones() = pill_zones(w, h, p, icon != nullptr);
  const PillZones& z = zones();

  draw_round_rect(dc, {z.status.left, z.status.top, z.status.right, z.status.bottom}, scaled(14, p),
             view.enabled ? c.primary : c.chip, view.enabled ? c.primary : c.chip);
  const COLORREF dot = view.enabled ? (view.dark ? RGB(0, 0, 0) : RGB(255, 255, 255)) : c.secondary;
  const int d = scaled(7, p);
  const int dot_x = z.status.left + scaled(10, p);
  draw_round_rect(dc, {dot_x, (h - d) / 2, dot_x + d, (h - d) / 2 + d}, d, dot, dot);

  HFONT font = create_ui_font(kPillFont, p);
  HGDIOBJ old_font = SelectObject(dc, font);
  const std::int32_t m = scaled(4, p);
  draw_ui_text(dc, view.enabled ? L"Nepali" : L"Paused", {dot_x + d + scaled(6, p), m, z.status.right - m, h - m}, DT_LEFT, dot);
  draw_ui_text(dc, L"Studio", z.studio, DT_CENTER, c.primary);
  HPEN rule = CreatePen(PS_SOLID, 1, c.border);
  HGDIOBJ old_pen = SelectObject(dc, rule);
  MoveToEx(dc, z.studio.right + 1, m + 4, nullptr);
  LineTo(dc, z.studio.right + 1, h - m - 4);
  SelectObject(dc, old_pen);
  DeleteObject(rule);
  draw_ui_text(dc, L"\u2699", z.gear, DT_CENTER, c.secondary);
  SelectObject(dc, old_font);
  DeleteObject(font);
}

Point cursor_on_screen() {
  POINT p{};
  if (!GetCursorPos(&p)) return {};
  return {p.x, p.y};
}

LRESULT CALLBACK status_pill_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint_double_buffered(window, paint_pill);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR: {
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(window, &p);
      const PillZones& z = zones();
      const Point at{p.x, p.y};
      SetCursor(LoadCursorW(nullptr, contains(z.status, at) || contains(z.studio, at) || contains(z.gear, at) ? IDC_HAND : IDC_ARROW));
      return 1;
    }
    case WM_LBUTTONDOWN: {
      RECT r{};
      GetWindowRect(window, &r);
      drag().press(cursor_on_screen(), {r.left, r.top});
      SetCapture(window);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (const auto to = drag().move(cursor_on_screen())) {
        SetWindowPos(window, nullptr, to->x, to->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    case WM_LBUTTONUP: {
      ReleaseCapture();
      if (drag().release()) {
        RECT r{};
        GetWindowRect(window, &r);
        post_owner(WM_APP_PILL_MOVED, static_cast<WPARAM>(static_cast<std::intptr_t>(r.left)),
                   static_cast<LPARAM>(r.top));
        return 0;
      }
      const Point point{static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam))};
      switch (pill_click_target(zones(), point)) {
        case PillTarget::preferences: post_owner(WM_APP_OPEN_PREFERENCES); break;
        case PillTarget::studio: post_owner(WM_APP_OPEN_STUDIO); break;
        case PillTarget::toggle: post_owner(WM_APP_PILL_TOGGLE); break;
      }
      return 0;
    }
    case WM_RBUTTONUP:
      post_owner(WM_APP_SHOW_MENU);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

PillViewState& pill_view_state() {
  thread_local PillViewState state;
  return state;
}

void set_pill_owner_window(HWND owner) { owner_window() = owner; }

HWND create_status_pill(HINSTANCE instance) {
  return create_floating_window(instance, kPillClass, status_pill_wndproc, 220, 36);
}

}  // namespace tarovik
