// The host's commands: the tray menu's entries and the settings they switch, in whichever copy
// of the settings is live, and the Studio windows with the server's routes.
#include <windows.h>

#include <mutex>

#include "main/host_ui.h"
#include "win_ime/host_win32.h"
#include "win_ime/indicators.h"
#include "win_ime/registry_win32.h"
#include "win_studio/config_api.h"
#include "win_studio/studio_assets.h"
#include "win_studio/studio_window_win32.h"

namespace tarovik {

namespace {

void toggle_enabled_from_ui() {
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    shared->state.toggle_enabled();
  } else {
    host_ui().startup_enabled = !host_ui().startup_enabled;
  }
}

// Changes the copy of the settings that is live, and saves that copy.
template <class Change>
void change_settings(Change change) {
  Win32Registry registry;
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    change(shared->state.config);
    save_preferences(registry, shared->state.config);
  } else {
    change(host_ui().startup_config);
    save_preferences(registry, host_ui().startup_config);
  }
}

void flip_setting(bool ImeConfig::*field) {
  change_settings([field](ImeConfig& config) { config.*field = !(config.*field); });
}

// What the Studio server's configuration interface reaches, taken afresh for each request.
HostAccess host_access() {
  static Win32Registry registry;
  return {GLOBAL_STATE.load(), &registry, running_executable_path(),
          [](std::uint32_t message, std::uintptr_t wparam) { post_to_host(message, wparam); }};
}

}  // namespace

IndicatorState indicator_state() {
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    return {shared->state.enabled, shared->state.config};
  }
  return {host_ui().startup_enabled, host_ui().startup_config};
}

void refresh_indicators_now(HWND host, bool enabled_changed) {
  const HostUi& ui = host_ui();
  // Input turned off, or settings changed under the rows: the popup follows the state first,
  // then the mode toast may take it over.
  refresh_popup();
  refresh_indicators(host, ui.popup_window, ui.pill_window, ui.icon_active, ui.icon_paused, indicator_state(),
                     enabled_changed);
}

void add_tray_icon(HWND host) {
  const HostUi& ui = host_ui();
  update_tray_icon(host, NIM_ADD, ui.icon_active, ui.icon_paused, indicator_state());
}

StudioRoutes studio_routes() {
  return {[] { return handle_get_config(host_access()); },
          [](std::string_view body) { return handle_post_config(host_access(), body); },
          [] { return handle_open_studio(host_access()); },
          preferences_page_html(),
          brand_logo_png()};
}

void store_pill_position(std::int32_t x, std::int32_t y) {
  change_settings([x, y](ImeConfig& config) {
    config.pill_x = x;
    config.pill_y = y;
  });
}

void handle_command(HWND host, WORD id) {
  switch (id) {
    case kCommandToggleEnabled:
      toggle_enabled_from_ui();
      refresh_indicators_now(host, true);
      break;
    case kCommandStartWithWindows: {
      Win32Registry registry;
      set_autostart(registry, !autostart_enabled(registry), running_executable_path());
      break;
    }
    case kCommandAlsoCtrlSpace:
      flip_setting(&ImeConfig::also_ctrl_space);
      refresh_indicators_now(host, false);
      break;
    case kCommandFloatingPill:
      flip_setting(&ImeConfig::show_floating_pill);
      refresh_indicators_now(host, false);
      break;
    case kCommandShortcutsGuide:
      show_shortcuts_guide(host, shortcut_summary(indicator_state().config));
      break;
    case kCommandExit:
      // Destroying the window first removes the hooks and the tray icon before the loop ends.
      DestroyWindow(host);
      break;
    case kCommandOpenStudio:
      open_studio_window(studio_routes(), u"/", u"Tarovik \u2014 Writing Studio", 1220, 820);
      break;
    case kCommandPreferences:
      open_studio_window(studio_routes(), u"/preferences", u"Tarovik \u2014 Preferences", 620, 780);
      break;
    default:
      break;
  }
}

}  // namespace tarovik
