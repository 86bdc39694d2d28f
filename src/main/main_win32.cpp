// tarovik.exe: the tray host (no option), or a hand-off to the running host.
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "phonetic/prediction.h"
#include "main/self_check.h"
#include "win_ime/commit_drain.h"
#include "win_ime/corrections_log_win32.h"
#include "win_studio/config_api.h"
#include "win_studio/studio_assets.h"
#include "win_studio/studio_window_win32.h"
#include "win_ime/host_win32.h"
#include "win_ime/registry_win32.h"
#include "win_ime/settings.h"
#include "win_ime/indicators.h"
#include "win_ime/tray_win32.h"
#include "win_popup/candidate_popup_win32.h"
#include "win_popup/status_pill_win32.h"

namespace tarovik {
namespace {

constexpr wchar_t kHostClass[] = L"TarovikTrayHost";

// Owned by the host window thread.
HHOOK keyboard_hook_handle = nullptr;
HHOOK mouse_hook_handle = nullptr;
HWND popup_window = nullptr;
HWND pill_window = nullptr;
HICON icon_active = nullptr;
HICON icon_paused = nullptr;
// The start-up copy of the settings and the enabled state, live until the state exists.
ImeConfig startup_config;
bool startup_enabled = true;

IndicatorState indicator_state() {
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    return {shared->state.enabled, shared->state.config};
  }
  return {startup_enabled, startup_config};
}

void refresh(HWND host, bool enabled_changed) {
  refresh_indicators(host, popup_window, pill_window, icon_active, icon_paused, indicator_state(), enabled_changed);
}

void toggle_enabled_from_ui() {
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    shared->state.toggle_enabled();
  } else {
    startup_enabled = !startup_enabled;
  }
}

// Flips one switch of the settings in the copy that is live, and saves that copy.
void flip_setting(bool ImeConfig::*field) {
  Win32Registry registry;
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    shared->state.config.*field = !(shared->state.config.*field);
    save_preferences(registry, shared->state.config);
  } else {
    startup_config.*field = !(startup_config.*field);
    save_preferences(registry, startup_config);
  }
}

// What the Studio server's configuration interface reaches, taken afresh for each request.
HostAccess host_access() {
  static Win32Registry registry;
  return {GLOBAL_STATE.load(), &registry, running_executable_path(),
          [](std::uint32_t message, std::uintptr_t wparam) { post_to_host(message, wparam); }};
}

StudioRoutes studio_routes() {
  return {[] { return handle_get_config(host_access()); },
          [](std::string_view body) { return handle_post_config(host_access(), body); },
          [] { return handle_open_studio(host_access()); },
          preferences_page_html(),
          brand_logo_png()};
}

// The pill was dropped: remember where, in the copy of the settings that is live.
void store_pill_position(std::int32_t x, std::int32_t y) {
  Win32Registry registry;
  if (SharedState* shared = GLOBAL_STATE.load()) {
    std::lock_guard lock(shared->mutex);
    shared->state.config.pill_x = x;
    shared->state.config.pill_y = y;
    save_preferences(registry, shared->state.config);
  } else {
    startup_config.pill_x = x;
    startup_config.pill_y = y;
    save_preferences(registry, startup_config);
  }
}

void handle_command(HWND host, WORD id) {
  switch (id) {
    case kCommandToggleEnabled:
      toggle_enabled_from_ui();
      refresh(host, true);
      break;
    case kCommandStartWithWindows: {
      Win32Registry registry;
      set_autostart(registry, !autostart_enabled(registry), running_executable_path());
      break;
    }
    case kCommandAlsoCtrlSpace:
      flip_setting(&ImeConfig::also_ctrl_space);
      refresh(host, false);
      break;
    case kCommandFloatingPill:
      flip_setting(&ImeConfig::show_floating_pill);
      refresh(host, false);
      break;
    case kCommandShortcutsGuide:
      show_shortcuts_guide(host, shortcut_summary(indicator_state().config));
      break;
    case kCommandExit:
      // Destroying the window first removes the hook and the tray icon before the loop ends.
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

std::vector<std::wstring> command_line_arguments() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; i < count && argv != nullptr; ++i) args.emplace_back(argv[i]);
  if (argv != nullptr) LocalFree(argv);
  return args;
}

void enable_per_monitor_dpi_awareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto set_context = user32 != nullptr
                         ? reinterpret_cast<SetContext>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                         : nullptr;
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (set_context != nullptr) set_context(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));
}

const CommitOutput& commit_output() {
  static const CommitOutput output{send_injected, [] { return corrections_log_path(); },
                                   [] { ShowWindow(popup_window, SW_HIDE); },
                                   [] { return reinterpret_cast<WindowId>(GetForegroundWindow()); }};
  return output;
}

// Retries a drain that waited for events still on their way, should they never come back.
constexpr UINT_PTR kDrainRetryTimer = 102;
constexpr UINT kDrainRetryMs = 50;

void drain_commits(HWND host) {
  SharedState* shared = GLOBAL_STATE.load();
  if (shared == nullptr) {
    ShowWindow(popup_window, SW_HIDE);
    return;
  }
  if (!input_road().drain(*shared, commit_output(), GetTickCount64())) SetTimer(host, kDrainRetryTimer, kDrainRetryMs, nullptr);
}

std::optional<Point> caret_on_screen(HWND foreground) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) return std::nullopt;
  HWND owner = info.hwndCaret != nullptr ? info.hwndCaret : info.hwndFocus;
  const RECT& caret = info.rcCaret;
  if (owner == nullptr || (caret.left == 0 && caret.top == 0 && caret.bottom == 0)) return std::nullopt;
  POINT point{caret.left, caret.top};
  if (!ClientToScreen(owner, &point)) return std::nullopt;
  return Point{point.x, point.y};
}

Point popup_anchor() {
  AnchorInputs in;
  HWND foreground = GetForegroundWindow();
  in.has_foreground = foreground != nullptr;
  if (foreground != nullptr) {
    in.caret = caret_on_screen(foreground);
    POINT cursor{};
    if (GetCursorPos(&cursor)) in.cursor = Point{cursor.x, cursor.y};
    RECT window{};
    if (GetWindowRect(foreground, &window)) in.window = Rect{window.left, window.top, window.right, window.bottom};
  }
  return choose_popup_anchor(in);
}

// Places the candidate popup at the caret and shows the state's rows, or hides it.
void refresh_popup(bool show) {
  SharedState* shared = GLOBAL_STATE.load();
  if (shared == nullptr || popup_window == nullptr) return;
  std::lock_guard lock(shared->mutex);
  const ImeState& state = shared->state;
  if (!show || !popup_shows_rows(state)) {
    ShowWindow(popup_window, SW_HIDE);
    return;
  }
  const Point anchor = popup_anchor();
  const std::string header = state.roman.empty() ? "next" : state.roman;
  SetWindowPos(popup_window, HWND_TOPMOST, anchor.x, anchor.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  const double s = ui_scale(ui_scale_factor(state.config.ui_scale), GetDpiForWindow(popup_window));
  const std::string label(shortcut_label(state.config.toggle_shortcut));
  const std::size_t n = std::min(state.candidates.size(), kMaxPopupRows);

  HFONT candidate_font = create_ui_font(L"Nirmala UI", scaled(18, s), 400);
  std::int32_t candidate_width = scaled(140, s);
  for (std::size_t i = 0; i < n; ++i) {
    candidate_width = std::max(candidate_width, measure_text(candidate_font, state.candidates[i].text));
  }
  DeleteObject(candidate_font);
  HFONT header_font = create_ui_font(L"Segoe UI", scaled(12, s), 600);
  const std::int32_t header_width =
      measure_text(header_font, header) + scaled(52, s) + measure_text(header_font, "Esc  •  " + label);
  DeleteObject(header_font);

  HMONITOR monitor = MonitorFromPoint({anchor.x, anchor.y}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  Rect work{0, 0, 1920, 1080};
  if (GetMonitorInfoW(monitor, &info)) work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  const PopupBox box = place_popup(anchor, candidate_width, header_width, n, s, work);

  UiThreadState& ui = ui_thread_state();
  ui.header_text = header;
  ui.shortcut_label = label;
  ui.rows.clear();
  for (std::size_t i = 0; i < n; ++i) ui.rows.push_back({state.candidates[i].text, state.candidates[i].score});
  ui.selected = n == 0 ? 0 : std::min(state.selected, n - 1);
  ui.toast_title.reset();
  ui.toast_shortcut.reset();
  ui.dark = theme_is_dark(state.config.theme_mode);
  ui.scale = static_cast<float>(s);

  show_floating_window(popup_window, box, scaled(14, s));
}

// A click on a popup row commits that row (or accepts that prediction) and types it at once,
// after whatever the hook has queued, so the click's text lands in typing order.
void click_candidate(HWND host, std::size_t index) {
  SharedState* shared = GLOBAL_STATE.load();
  if (shared == nullptr) return;
  drain_commit_queue(*shared, input_road().queue(), commit_output());
  if (const auto popup_flag = commit_clicked_candidate(*shared, index, commit_output())) {
    PostMessageW(host, WM_APP_POPUP_REFRESH, *popup_flag ? 1 : 0, 0);
  }
}

LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_APP_INSTALL_HOOK:
      if (keyboard_hook_handle == nullptr) {
        keyboard_hook_handle = SetWindowsHookExW(WH_KEYBOARD_LL, keyboard_hook_proc, GetModuleHandleW(nullptr), 0);
        // Clicks move the caret: they end the word and wait behind a commit on its way.
        mouse_hook_handle = SetWindowsHookExW(WH_MOUSE_LL, mouse_hook_proc, GetModuleHandleW(nullptr), 0);
      }
      refresh(window, false);
      return 0;
    case WM_APP_TRAY_CALLBACK:
      if (lparam == WM_LBUTTONUP) {
        toggle_enabled_from_ui();
        refresh(window, true);
      } else if (lparam == WM_LBUTTONDBLCLK) {
        handle_command(window, kCommandOpenStudio);
      } else if (lparam == WM_RBUTTONUP) {
        show_tray_menu(window, indicator_state());
      }
      return 0;
    case WM_COMMAND:
      handle_command(window, LOWORD(wparam));
      return 0;
    case WM_APP_PILL_TOGGLE:
      toggle_enabled_from_ui();
      refresh(window, true);
      return 0;
    case WM_APP_PILL_MOVED:
      store_pill_position(static_cast<std::int32_t>(wparam), static_cast<std::int32_t>(lparam));
      return 0;
    case WM_APP_SHOW_MENU:
      show_tray_menu(window, indicator_state());
      return 0;
    case WM_TIMER:
      if (wparam == kDrainRetryTimer) {
        KillTimer(window, kDrainRetryTimer);
        drain_commits(window);
      } else if (wparam == kToastTimer) {
        KillTimer(window, kToastTimer);
        SharedState* shared = GLOBAL_STATE.load();
        bool in_use = false;  // a composition or predictions took the popup over from the toast
        if (shared != nullptr) {
          std::lock_guard lock(shared->mutex);
          in_use = !shared->state.roman.empty() || shared->state.predictions_shown;
        }
        if (!in_use) ShowWindow(popup_window, SW_HIDE);
      }
      return 0;
    case WM_APP_ENABLED_CHANGED:
      refresh(window, true);
      return 0;
    case WM_APP_CONFIG_CHANGED:
      refresh(window, false);
      return 0;
    case WM_APP_COMMIT_READY:
      drain_commits(window);
      return 0;
    case WM_APP_POPUP_REFRESH:
      refresh_popup(wparam != 0);
      return 0;
    case WM_APP_OPEN_STUDIO:
      handle_command(window, kCommandOpenStudio);
      return 0;
    case WM_APP_OPEN_PREFERENCES:
      handle_command(window, kCommandPreferences);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY: {
      if (keyboard_hook_handle != nullptr) UnhookWindowsHookEx(keyboard_hook_handle);
      if (mouse_hook_handle != nullptr) UnhookWindowsHookEx(mouse_hook_handle);
      keyboard_hook_handle = nullptr;
      mouse_hook_handle = nullptr;
      NOTIFYICONDATAW tray{};
      tray.cbSize = sizeof tray;
      tray.hWnd = window;
      tray.uID = 1;
      Shell_NotifyIconW(NIM_DELETE, &tray);
      DestroyIcon(icon_active);
      DestroyIcon(icon_paused);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

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

int run_tray_host() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW host_class{};
  host_class.cbSize = sizeof host_class;
  host_class.lpfnWndProc = host_window_proc;
  host_class.hInstance = instance;
  host_class.lpszClassName = kHostClass;
  host_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  host_class.hIconSm = host_class.hIcon;
  host_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassExW(&host_class);
  HWND host = CreateWindowExW(0, kHostClass, kHostClass, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (host == nullptr) {
    std::fprintf(stderr, "Failed to create the host window\n");
    return 101;
  }
  HOST_WINDOW.store(host);
  popup_window = create_candidate_popup(instance);
  set_popup_click_callback([host](std::size_t row) { click_candidate(host, row); });
  pill_window = create_status_pill(instance);
  set_pill_owner_window(host);

  Win32Registry registry;
  startup_config = load_preferences(registry);
  startup_enabled = startup_config.start_enabled;
  icon_active = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  if (icon_active == nullptr) icon_active = render_tray_icon(true);
  icon_paused = render_tray_icon(false);
  update_tray_icon(host, NIM_ADD, startup_enabled ? icon_active : icon_paused, startup_enabled,
                   shortcut_summary(startup_config));
  refresh(host, true);
  try {
    std::thread(warm_up_thread, startup_config).detach();
  } catch (const std::system_error& error) {
    std::fprintf(stderr, "failed to spawn thread: %s\n", error.what());
    return 101;
  }

  run_message_loop();
  return 0;
}

}  // namespace
}  // namespace tarovik

int main() {
  const auto args = tarovik::command_line_arguments();
  auto has_flag = [&](const wchar_t* flag) { return std::find(args.begin(), args.end(), flag) != args.end(); };
  if (has_flag(L"--studio-window")) {
    tarovik::enable_per_monitor_dpi_awareness();
    std::vector<std::u16string> wide_args;
    for (const auto& arg : args) wide_args.emplace_back(arg.begin(), arg.end());
    return tarovik::run_studio_window(wide_args);
  }
  if (has_flag(L"--self-check")) {
    // The report line ends in one LF, not the CR LF of a text-mode stream.
    if (const int out = _fileno(stdout); out >= 0) _setmode(out, _O_BINARY);
    return tarovik::run_self_check(tarovik::studio_routes(), stdout, stderr);
  }
  tarovik::enable_per_monitor_dpi_awareness();
  // One host per desktop: a second start hands its request to the first and ends.
  if (HWND running = FindWindowW(tarovik::kHostClass, nullptr)) {
    PostMessageW(running, has_flag(L"--preferences") ? tarovik::WM_APP_OPEN_PREFERENCES : tarovik::WM_APP_OPEN_STUDIO, 0,
                 0);
    return 0;
  }
  return tarovik::run_tray_host();
}
