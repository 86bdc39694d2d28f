#include "win_studio/studio_window_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>

#include "base/result.h"
#include "win_ime/host_win32.h"
#include "win_ime/registry_win32.h"
#include "win_studio/studio_window.h"
#include "win_studio/web_view_win32.h"

namespace tarovik {

namespace {

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

void open_in_browser(const std::u16string& address) {
  ShellExecuteW(nullptr, L"open", wide(address), nullptr, nullptr, SW_SHOWNORMAL);
}

// The window's outer size for a client area of that many logical pixels at its DPI. The
// frame is measured on the window itself when it can be: the system's frame arithmetic and
// the frame actually drawn differ under some themes and window managers.
SIZE outer_size(HWND window, double width, double height) {
  const UINT dpi = GetDpiForWindow(window);
  const PixelSize client = logical_to_physical(width, height, dpi);
  RECT outer{}, inner{};
  if (GetWindowRect(window, &outer) && GetClientRect(window, &inner) && inner.right > 0 && inner.bottom > 0) {
    return {client.width + (outer.right - outer.left) - inner.right,
            client.height + (outer.bottom - outer.top) - inner.bottom};
  }
  RECT frame{0, 0, client.width, client.height};
  AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

WebView* web_view_of(HWND window) { return reinterpret_cast<WebView*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

LRESULT CALLBACK studio_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      const SIZE minimum = outer_size(window, kStudioMinimumSize, kStudioMinimumSize);
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {minimum.cx, minimum.cy};
      return 0;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale: take the size the system proposes.
      const RECT* proposed = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, proposed->left, proposed->top, proposed->right - proposed->left,
                   proposed->bottom - proposed->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SIZE:
      if (WebView* view = web_view_of(window)) view->fit_to_parent();
      return 0;
    case WM_ACTIVATE:
      // Typing goes to the page as soon as the window comes forward.
      if (LOWORD(wparam) != WA_INACTIVE) {
        if (WebView* view = web_view_of(window)) view->take_focus();
      }
      return 0;
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
  StudioLaunch launch = plan_studio_launch(studio_port(routes), path, title, width, height, running_executable_path());
  if (launch.command_line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The first word of the command line is the executable's full path, quoted.
    if (CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(launch.command_line->data()), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return;
    }
  }
  open_in_browser(launch.address);
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
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "Failed to create Tarovik native window: error %lu\n", GetLastError());
    return 101;
  }
  const SIZE outer = outer_size(window, page.width, page.height);
  SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(window, SW_SHOWNORMAL);
  RedrawWindow(window, nullptr, nullptr, RDW_INTERNALPAINT);
  for (auto [size, kind] : {std::pair{32, ICON_BIG}, std::pair{16, ICON_SMALL}}) {
    if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED)) {
      SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
  }

  // The runtime's objects live in a single-threaded apartment on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::optional<std::string> failure;
  auto view = WebView::create(window, page.address, [&](const std::string& error) {
    failure = error;
    DestroyWindow(window);
  });
  if (view) {
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.value().get()));
    run_message_loop();
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  } else {
    failure = view.error();
    DestroyWindow(window);
  }
  if (view) view.value().reset();
  if (SUCCEEDED(com)) CoUninitialize();
  if (failure) {
    open_in_browser(page.address);
    std::fprintf(stderr, "WebView2 init failed: %s\n", failure->c_str());
    return 101;
  }
  return 0;
}

}  // namespace tarovik
