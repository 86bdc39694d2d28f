// A window with one edit field for the end-to-end test of the keyboard road.
//   edit_target RESULT STOP
// runs until the file STOP exists, then writes the field's text as UTF-8 to the file RESULT
// and sends the running host the tray menu's Exit command.
//   edit_target RESULT STOP TITLE X Y
// opens its window titled TITLE at (X, Y) instead and serves rounds: each time STOP appears it
// writes RESULT, empties the field and removes STOP; it ends when STOP holds "quit".
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HWND edit = nullptr;
std::wstring result_path;
std::wstring stop_path;
bool rounds = false;

void write_result() {
  const int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(edit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, utf8.data(), bytes, nullptr, nullptr);
  if (FILE* out = _wfopen(result_path.c_str(), L"wb")) {
    std::fwrite(utf8.data(), 1, utf8.size(), out);
    std::fclose(out);
  }
}

bool stop_says_quit() {
  char text[8] = {};
  FILE* in = _wfopen(stop_path.c_str(), L"rb");
  if (in == nullptr) return false;
  const std::size_t read = std::fread(text, 1, 4, in);
  std::fclose(in);
  return read == 4 && std::string(text, 4) == "quit";
}

void finish(HWND window) {
  if (rounds) {
    if (stop_says_quit()) {
      DestroyWindow(window);
      return;
    }
    write_result();
    SetWindowTextW(edit, L"");
    DeleteFileW(stop_path.c_str());
    return;
  }
  write_result();
  constexpr WPARAM kExitCommand = 1009;
  // The host window carries its class name as its title; a host found only by its class is
  // not told to exit, and the test fails waiting for it.
  if (HWND host = FindWindowW(L"TarovikTrayHost", L"TarovikTrayHost")) PostMessageW(host, WM_COMMAND, kExitCommand, 0);
  DestroyWindow(window);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (GetFileAttributesW(stop_path.c_str()) != INVALID_FILE_ATTRIBUTES) finish(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) return 2;
  result_path = argv[1];
  stop_path = argv[2];
  rounds = argc >= 6;
  const wchar_t* title = rounds ? argv[3] : L"Tarovik test editor";
  const int x = rounds ? _wtoi(argv[4]) : 50;
  const int y = rounds ? _wtoi(argv[5]) : 50;
  const int width = rounds ? 440 : 760;

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TarovikTestEditor";
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassW(&window_class);
  HWND window = CreateWindowW(L"TarovikTestEditor", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, 360, nullptr,
                              nullptr, window_class.hInstance, nullptr);
  // Without ES_AUTOVSCROLL a full field refuses what is typed next.
  edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
                       10, 10, width - 40, 300, window, nullptr, window_class.hInstance, nullptr);
  // The dialog font has no Devanagari; the screenshots should show what was typed.
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Nirmala UI");
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetForegroundWindow(window);
  SetFocus(edit);
  SetTimer(window, 1, 200, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DeleteObject(font);
  return 0;
}
