// tarovik.exe: the tray host (no option), a Studio window, the self-check, or a hand-off to
// the running host.
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "main/host_ui.h"
#include "main/self_check.h"
#include "win_ime/host_messages.h"
#include "win_studio/studio_window_win32.h"

namespace tarovik {
namespace {

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

int run_studio_window_mode(const std::vector<std::wstring>& args) {
  enable_per_monitor_dpi_awareness();
  std::vector<std::u16string> wide_args;
  for (const auto& arg : args) wide_args.emplace_back(arg.begin(), arg.end());
  return run_studio_window(wide_args);
}

int run_self_check_mode() {
  // The report line ends in one LF, not the CR LF of a text-mode stream.
  if (const int out = _fileno(stdout); out >= 0) _setmode(out, _O_BINARY);
  return run_self_check(studio_routes(), stdout, stderr);
}

}  // namespace
}  // namespace tarovik

int main() {
  const auto args = tarovik::command_line_arguments();
  auto has_flag = [&](const wchar_t* flag) { return std::find(args.begin(), args.end(), flag) != args.end(); };
  if (has_flag(L"--studio-window")) return tarovik::run_studio_window_mode(args);
  if (has_flag(L"--self-check")) return tarovik::run_self_check_mode();
  tarovik::enable_per_monitor_dpi_awareness();
  // One host per desktop: a second start hands its request to the first and ends.
  if (HWND running = FindWindowW(tarovik::kHostClass, nullptr)) {
    PostMessageW(running, has_flag(L"--preferences") ? tarovik::WM_APP_OPEN_PREFERENCES : tarovik::WM_APP_OPEN_STUDIO, 0,
                 0);
    return 0;
  }
  return tarovik::run_tray_host();
}
