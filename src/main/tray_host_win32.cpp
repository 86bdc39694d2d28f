// Start-up of the tray host: the host window, the popup and the pill, the tray icon, and the
// warm-up thread that builds the engine away from the UI thread.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <system_error>
#include <thread>

#include "main/host_ui.h"
#include "win_ime/host_win32.h"
#include "win_ime/indicators.h"
#include "win_ime/registry_win32.h"
#include "win_popup/candidate_popup_win32.h"
#include "win_popup/status_pill_win32.h"

namespace tarovik {

HostUi& host_ui() {
  thread_local HostUi ui;
  return ui;
}

namespace {

// Builds the composition state once, away from the UI thread, then asks for the hook.
void warm_up_thread(ImeConfig config) {
  auto engine = engine_load();
  if (!engine) {
    std::fprintf(stderr, "Failed loading embedded lexicon: \"%s\"\n", engine.error().c_str());
    return;
  }
  GLOBAL_STATE.store(new SharedState{{}, ImeState(std::move(engine).value(), std::move(config))});
  post_to_host(WM_APP_INSTALL_HOOK, 0);
}

HWND create_host_window(HINSTANCE instance) {
  WNDCLASSEXW host_class{};
  host_class.cbSize = sizeof host_class;
  host_class.lpfnWndProc = host_window_proc;
  host_class.hInstance = instance;
  host_class.lpszClassName = kHostClass;
  host_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  host_class.hIconSm = host_class.hIcon;
  host_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassExW(&host_class);
  return CreateWindowExW(0, kHostClass, kHostClass, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void create_indicators(HINSTANCE instance, HWND host) {
  HostUi& ui = host_ui();
  ui.popup_window = create_candidate_popup(instance);
  ui.pill_window = create_status_pill(instance);
  set_pill_owner_window(host);

  Win32Registry registry;
  ui.startup_config = load_preferences(registry);
  ui.startup_enabled = ui.startup_config.start_enabled;
  ui.icon_active = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  if (ui.icon_active == nullptr) ui.icon_active = render_tray_icon(true);
  ui.icon_paused = render_tray_icon(false);
  add_tray_icon(host);
  refresh_indicators_now(host, true);
}

}  // namespace

int run_tray_host() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND host = create_host_window(instance);
  if (host == nullptr) {
    std::fprintf(stderr, "Failed to create the host window\n");
    return 101;
  }
  HOST_WINDOW.store(host);
  create_indicators(instance, host);
  try {
    std::thread(warm_up_thread, host_ui().startup_config).detach();
  } catch (const std::system_error& error) {
    std::fprintf(stderr, "failed to spawn thread: %s\n", error.what());
    return 101;
  }
  run_message_loop();
  return 0;
}

}  // namespace tarovik
