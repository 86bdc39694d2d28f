// tarovik.exe: the tray host (no option), or a hand-off to the running host.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "phonetic/prediction.h"
#include "win_ime/corrections_log.h"
#include "win_ime/host_win32.h"
#include "win_ime/registry_win32.h"
#include "win_ime/settings.h"

namespace tarovik {
namespace {

constexpr wchar_t kHostClass[] = L"TarovikTrayHost";

// The hook handle, owned by the host window thread.
HHOOK keyboard_hook_handle = nullptr;

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

std::filesystem::path log_path() {
  std::optional<std::u16string> local_app_data;
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 32768);
  if (length > 0 && length < 32768) local_app_data = std::u16string(buffer, buffer + length);
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD temp_length = GetTempPathW(MAX_PATH + 1, temp);
  return corrections_log_path(local_app_data, std::wstring(temp, temp_length));
}

// Works through every queued commit: type it, then learn and log what the user promoted.
void drain_commits() {
  SharedState* shared = GLOBAL_STATE.load();
  CommitQueue* queue = COMMIT_QUEUE.load();
  if (shared == nullptr || queue == nullptr) return;
  bool learn = false;
  bool log = false;
  {
    std::lock_guard lock(shared->mutex);
    learn = shared->state.config.learn_promoted_words;
    log = shared->state.config.dev_correction_log;
  }
  for (CommitAction& action : queue->take_all()) {
    inject_text(action.erase_count, action.text);
    if (action.promoted && learn) {
      std::lock_guard lock(shared->mutex);
      learn_promoted_word(shared->state.engine, action.roman, action.word);
    }
    if (action.promoted) append_correction_record(log, log_path(), action.roman, action.top1, action.word, action.prev_word);
  }
}

LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_APP_INSTALL_HOOK:
      if (keyboard_hook_handle == nullptr) {
        keyboard_hook_handle = SetWindowsHookExW(WH_KEYBOARD_LL, keyboard_hook_proc, GetModuleHandleW(nullptr), 0);
      }
      return 0;
    case WM_APP_COMMIT_READY:
      drain_commits();
      return 0;
    case WM_APP_POPUP_REFRESH:
    case WM_APP_ENABLED_CHANGED:
    case WM_APP_CONFIG_CHANGED:
    case WM_APP_OPEN_STUDIO:
    case WM_APP_OPEN_PREFERENCES:
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (keyboard_hook_handle != nullptr) UnhookWindowsHookEx(keyboard_hook_handle);
      keyboard_hook_handle = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

// Builds the composition state once, away from the UI thread, then asks for the hook.
void warm_up_thread(ImeConfig config) {
  auto engine = engine_load();
  if (!engine) {
    std::fprintf(stderr, "Failed loading embedded lexicon: %s\n", engine.error().c_str());
    return;
  }
  GLOBAL_STATE.store(new SharedState{{}, ImeState(std::move(engine).value(), std::move(config))});
  post_to_host(WM_APP_INSTALL_HOOK, 0);
}

int run_tray_host() {
  enable_per_monitor_dpi_awareness();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW host_class{};
  host_class.cbSize = sizeof host_class;
  host_class.lpfnWndProc = host_window_proc;
  host_class.hInstance = instance;
  host_class.lpszClassName = kHostClass;
  RegisterClassExW(&host_class);
  HWND host = CreateWindowExW(0, kHostClass, L"Tarovik", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (host == nullptr) {
    std::fprintf(stderr, "Failed to create the host window\n");
    return 101;
  }
  HOST_WINDOW.store(host);
  COMMIT_QUEUE.store(new CommitQueue);

  Win32Registry registry;
  std::thread(warm_up_thread, load_preferences(registry)).detach();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace
}  // namespace tarovik

int main() {
  const auto args = tarovik::command_line_arguments();
  // One host per desktop: a second start hands its request to the first and ends.
  if (HWND running = FindWindowW(tarovik::kHostClass, nullptr)) {
    const bool preferences = !args.empty() && args[0] == L"--preferences";
    PostMessageW(running, preferences ? tarovik::WM_APP_OPEN_PREFERENCES : tarovik::WM_APP_OPEN_STUDIO, 0, 0);
    return 0;
  }
  return tarovik::run_tray_host();
}
