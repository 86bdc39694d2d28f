#pragma once

#include <windows.h>

#include <cstddef>

#include "win_ime/settings.h"
#include "win_ime/tray_win32.h"
#include "win_studio/studio_server.h"

namespace tarovik {

inline constexpr wchar_t kHostClass[] = L"TarovikTrayHost";

// What the host window thread keeps for its handlers; no other thread touches it.
struct HostUi {
  HHOOK keyboard_hook = nullptr;
  HHOOK mouse_hook = nullptr;
  HWND popup_window = nullptr;
  HWND pill_window = nullptr;
  HICON icon_active = nullptr;
  HICON icon_paused = nullptr;
  // The start-up copy of the settings and the enabled state, live until the state exists.
  ImeConfig startup_config;
  bool startup_enabled = true;
};
HostUi& host_ui();

// The tray host: start-up, then the message loop until Exit.
int run_tray_host();
LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The settings and enabled state in force: the state's once it exists, else the start-up copy.
IndicatorState indicator_state();
void refresh_indicators_now(HWND host, bool enabled_changed);
// Adds the tray icon as the state shows it: at start-up, and again when Explorer restarts.
void add_tray_icon(HWND host);
// The tray menu's commands, also reached by the pill and a second start.
void handle_command(HWND host, WORD id);
// What the Studio server serves, with the configuration interface reaching this host.
StudioRoutes studio_routes();

// Places the candidate popup at the caret with the state's rows while keys act on them, else
// hides it.
void refresh_popup();

// The commit queue's drain; retried on the timer while events are on their way or refused.
void drain_commits(HWND host);
inline constexpr UINT_PTR kDrainRetryTimer = 102;

}  // namespace tarovik
