#pragma once

#include <windows.h>

#include <string>

#include "win_ime/settings.h"

namespace tarovik {

inline constexpr UINT kToastTimer = 101;

// The state the indicators show, copied under the state's lock (or from the start-up copy).
struct IndicatorState {
  bool enabled = true;
  ImeConfig config;
};

HICON render_tray_icon(bool active);
// Adds (NIM_ADD) or changes (NIM_MODIFY) the tray icon as the state shows it: its icon and tip.
void update_tray_icon(HWND host, DWORD operation, HICON icon_active, HICON icon_paused, const IndicatorState& state);
// Brings the tray icon and the mode toast in line with the state.
void refresh_indicators(HWND host, HWND popup, HWND pill, HICON icon_active, HICON icon_paused,
                        const IndicatorState& state, bool enabled_changed);
void show_tray_menu(HWND host, const IndicatorState& state);
void show_shortcuts_guide(HWND host, const std::string& summary);

}  // namespace tarovik
