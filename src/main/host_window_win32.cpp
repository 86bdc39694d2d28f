// The host window's procedure: every other part of the program reaches the host window thread
// through the messages handled here.
#include <windows.h>
#include <shellapi.h>

#include <mutex>

#include "main/host_ui.h"
#include "win_popup/popup_view.h"
#include "win_ime/commit_drain.h"
#include "win_ime/corrections_log_win32.h"
#include "win_ime/host_messages.h"
#include "win_ime/host_win32.h"
#include "win_ime/indicators.h"

namespace tarovik {

void store_pill_position(std::int32_t x, std::int32_t y);

namespace {

// Retries a drain that waited for events still on their way, should they never come back.
constexpr UINT kDrainRetryMs = 50;

const CommitOutput& commit_output() {
  static const CommitOutput output{send_injected, [] { return corrections_log_path(); }, [] { refresh_popup(); },
                                   [] { return reinterpret_cast<WindowId>(GetForegroundWindow()); }};
  return output;
}

void install_hooks(HWND window) {
  HostUi& ui = host_ui();
  if (ui.keyboard_hook == nullptr) {
    ui.keyboard_hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboard_hook_proc, GetModuleHandleW(nullptr), 0);
    // Clicks move the caret: they end the word and wait behind a commit on its way.
    ui.mouse_hook = SetWindowsHookExW(WH_MOUSE_LL, mouse_hook_proc, GetModuleHandleW(nullptr), 0);
  }
  refresh_indicators_now(window, false);
}

void on_tray_callback(HWND window, LPARAM mouse_message) {
  if (mouse_message == WM_LBUTTONUP) {
    handle_command(window, kCommandToggleEnabled);
  } else if (mouse_message == WM_LBUTTONDBLCLK) {
    handle_command(window, kCommandOpenStudio);
  } else if (mouse_message == WM_RBUTTONUP) {
    show_tray_menu(window, indicator_state());
  }
}

void on_timer(HWND window, WPARAM id) {
  if (id == kDrainRetryTimer) {
    KillTimer(window, kDrainRetryTimer);
    drain_commits(window);
  } else if (id == kToastTimer) {
    KillTimer(window, kToastTimer);
    // Rows that took the popup over from the toast stay; else it goes.
    ui_thread_state().toast_title.reset();
    refresh_popup();
  }
}

void on_destroy(HWND window) {
  HostUi& ui = host_ui();
  if (ui.keyboard_hook != nullptr) UnhookWindowsHookEx(ui.keyboard_hook);
  if (ui.mouse_hook != nullptr) UnhookWindowsHookEx(ui.mouse_hook);
  ui.keyboard_hook = nullptr;
  ui.mouse_hook = nullptr;
  // The user's keys and clicks held behind a commit were swallowed on the promise of a replay.
  KillTimer(window, kDrainRetryTimer);
  if (SharedState* shared = GLOBAL_STATE.load()) input_road().release(*shared, commit_output());
  NOTIFYICONDATAW tray{};
  tray.cbSize = sizeof tray;
  tray.hWnd = window;
  tray.uID = 1;
  Shell_NotifyIconW(NIM_DELETE, &tray);
  DestroyIcon(ui.icon_active);
  DestroyIcon(ui.icon_paused);
  PostQuitMessage(0);
}

// The program's own messages; false for any other.
bool on_host_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_APP_INSTALL_HOOK: install_hooks(window); return true;
    case WM_APP_TRAY_CALLBACK: on_tray_callback(window, lparam); return true;
    case WM_APP_PILL_TOGGLE: handle_command(window, kCommandToggleEnabled); return true;
    case WM_APP_PILL_MOVED:
      store_pill_position(static_cast<std::int32_t>(wparam), static_cast<std::int32_t>(lparam));
      return true;
    case WM_APP_SHOW_MENU: show_tray_menu(window, indicator_state()); return true;
    case WM_APP_ENABLED_CHANGED: refresh_indicators_now(window, true); return true;
    case WM_APP_CONFIG_CHANGED: refresh_indicators_now(window, false); return true;
    case WM_APP_COMMIT_READY: drain_commits(window); return true;
    // The state says what keys act on, whichever message came first: the popup shows just that.
    case WM_APP_POPUP_REFRESH: refresh_popup(); return true;
    case WM_APP_OPEN_STUDIO: handle_command(window, kCommandOpenStudio); return true;
    case WM_APP_OPEN_PREFERENCES: handle_command(window, kCommandPreferences); return true;
    default: return false;
  }
}

}  // namespace

void drain_commits(HWND host) {
  SharedState* shared = GLOBAL_STATE.load();
  if (shared == nullptr) {
    ShowWindow(host_ui().popup_window, SW_HIDE);
    return;
  }
  if (!input_road().drain(*shared, commit_output(), GetTickCount64())) {
    SetTimer(host, kDrainRetryTimer, kDrainRetryMs, nullptr);
  }
}

LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (on_host_message(window, message, wparam, lparam)) return 0;
  // Explorer restarted: its new tray knows none of the icons added before.
  static const UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
  if (message == taskbar_created && taskbar_created != 0) {
    add_tray_icon(window);
    return 0;
  }
  switch (message) {
    case WM_COMMAND: handle_command(window, LOWORD(wparam)); return 0;
    case WM_TIMER: on_timer(window, wparam); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: on_destroy(window); return 0;
    default: return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace tarovik
