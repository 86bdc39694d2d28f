#include "win_studio/studio_window_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>

#include "trie/result.h"
#include "trie/utf8.h"
#include "win_ime/host_win32.h"
#include "win_ime/registry_win32.h"
#include "win_studio/studio_window.h"

namespace tarovik {

namespace {

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

void open_in_browser(const std::u16string& address) {
  ShellExecuteW(nullptr, L"open", wide(address), nullptr, nullptr, SW_SHOWNORMAL);
}

// The web view: the WebView2 runtime is reached through its loader at run time. This build
// carries no binding to the runtime's interfaces yet, so the page always goes to the browser.
Result<bool> create_web_view(HWND, const std::u16string&) {
  HMODULE loader = LoadLibraryW(L"WebView2Loader.dll");
  if (loader == nullptr) return Error{"WebView2Loader.dll could not be loaded (is the WebView2 runtime installed?)"};
  FreeLibrary(loader);
  return Error{"this build does not embed the web view; the page opens in the browser"};
}

struct WindowSize {
  double width;
  double height;
};
WindowSize minimum_size{kStudioMinimumSize, kStudioMinimumSize};

LRESULT CALLBACK studio_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      const double scale = GetDpiForWindow(window) / 96.0;
      RECT frame{0, 0, static_cast<LONG>(minimum_size.width * scale), static_cast<LONG>(minimum_size.height * scale)};
      AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

void open_studio_window(const StudioRoutes& routes, std::u16string_view path, std::u16string_view title,
                        std::uint16_t width, std::uint16_t height) {
  const std::u16string title_text(title);
  if (HWND open = FindWindowW(nullptr, wide(title_text))) {
    ShowWindow(open, SW_RESTORE);
    SetForegroundWindow(open);
    return;
  }
  const std::u16string address = studio_address(studio_port(routes), path);
  if (const auto exe = running_executable_path()) {
    std::u16string command = quote_windows_argument(*exe);
    for (const std::u16string& arg : {std::u16string(u"--studio-window"), address, title_text,
                                      utf8::to_utf16(std::to_string(width)), utf8::to_utf16(std::to_string(height))}) {
      command.push_back(u' ');
      command.append(quote_windows_argument(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(wide(*exe), reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return;
    }
  }
  open_in_browser(address);
}

int run_studio_window(const std::vector<std::u16string>& args) {
  const StudioWindowArgs page = parse_studio_window_args(args);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = studio_window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"TarovikStudioWindow";
  RegisterClassExW(&window_class);

  HWND window = CreateWindowExW(0, window_class.lpszClassName, wide(page.title), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "Failed to create Tarovik native window: error %lu\n", GetLastError());
    return 101;
  }
  // The client area in logical pixels, scaled by the window's monitor.
  const double scale = GetDpiForWindow(window) / 96.0;
  RECT frame{0, 0, static_cast<LONG>(page.width * scale), static_cast<LONG>(page.height * scale)};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(window, SW_SHOWNORMAL);
  RedrawWindow(window, nullptr, nullptr, RDW_INTERNALPAINT);
  for (auto [size, kind] : {std::pair{32, ICON_BIG}, std::pair{16, ICON_SMALL}}) {
    if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED)) {
      SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
  }

  const auto view = create_web_view(window, page.address);
  if (!view) {
    open_in_browser(page.address);
    std::fprintf(stderr, "WebView2 init failed: %s\n", view.error().c_str());
    return 101;
  }
  run_message_loop();
  return 0;
}

}  // namespace tarovik
