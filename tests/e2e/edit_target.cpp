// The test editor of the end-to-end keyboard test: one process with two top-level windows, as
// on Windows one input thread keeps the keys and clicks for both in order. Window A holds the
// multi-line field "a"; window B the multi-line field "b" and the single-line field "line",
// which counts the Enter key-downs it receives.
//   edit_target DIR
// At start it writes DIR\fields.txt: one line "NAME LEFT TOP RIGHT BOTTOM" in screen
// coordinates for each window (A, B) and field. It then answers requests: the test writes one
// line to DIR\request, and the answer appears as DIR\reply.
//   texts              each field's text as UTF-8 to DIR\NAME.txt; answers "enters N", the
//                      Enter key-downs the single-line field received
//   collect            the same, then empties the fields and the count
//   window CLASS       "visible LEFT TOP RIGHT BOTTOM" or "hidden" for the first window of CLASS
//   run NAME COMMAND   starts COMMAND on this desktop; its exit status goes to DIR\NAME.status
//   exit               sends the running host the tray menu's Exit command
//   quit               ends the editor
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Field {
  const wchar_t* name;
  HWND edit;
};
Field fields[] = {{L"a", nullptr}, {L"b", nullptr}, {L"line", nullptr}};
HWND window_a = nullptr;
HWND window_b = nullptr;
std::wstring dir;
WNDPROC line_proc = nullptr;
int enter_keys = 0;

std::string to_utf8(const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), size, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

// Written aside and renamed, so the test never reads half a file.
void write_file(const std::wstring& name, const std::string& data) {
  const std::wstring path = dir + L"\\" + name;
  const std::wstring part = path + L".part";
  FILE* out = _wfopen(part.c_str(), L"wb");
  if (out == nullptr) return;
  std::fwrite(data.data(), 1, data.size(), out);
  std::fclose(out);
  MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string rect_text(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

std::wstring text_of(HWND edit) {
  const int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(edit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN && wparam == VK_RETURN) ++enter_keys;
  return CallWindowProcW(line_proc, window, message, wparam, lparam);
}

struct Child {
  HANDLE process;
  std::wstring status_name;
};

DWORD WINAPI await_child(void* param) {
  Child* child = static_cast<Child*>(param);
  WaitForSingleObject(child->process, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child->process, &status);
  CloseHandle(child->process);
  write_file(child->status_name, std::to_string(status) + "\n");
  delete child;
  return 0;
}

// Started from here, the program shares this process's desktop, and the test still learns
// its exit status.
std::string run(const std::wstring& name, std::wstring command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return "failed " + std::to_string(GetLastError());
  CloseHandle(info.hThread);
  HANDLE thread = CreateThread(nullptr, 0, await_child, new Child{info.hProcess, name + L".status"}, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
  return "started";
}

std::string answer(const std::wstring& request) {
  const std::size_t space = request.find(L' ');
  const std::wstring verb = request.substr(0, space);
  const std::wstring rest = space == std::wstring::npos ? L"" : request.substr(space + 1);
  if (verb == L"texts" || verb == L"collect") {
    for (const Field& field : fields) write_file(std::wstring(field.name) + L".txt", to_utf8(text_of(field.edit)));
    const std::string reply = "enters " + std::to_string(enter_keys);
    if (verb == L"collect") {
      for (const Field& field : fields) SetWindowTextW(field.edit, L"");
      enter_keys = 0;
    }
    return reply;
  }
  if (verb == L"window") {
    HWND window = FindWindowW(rest.c_str(), nullptr);
    if (window == nullptr || !IsWindowVisible(window)) return "hidden";
    return "visible " + rect_text(window);
  }
  if (verb == L"run") {
    const std::size_t split = rest.find(L' ');
    if (split == std::wstring::npos) return "failed: no command";
    return run(rest.substr(0, split), rest.substr(split + 1));
  }
  if (verb == L"exit") {
    // The host window carries its class name as its title; a host found only by its class is
    // not told to exit, and the test fails waiting for it.
    HWND host = FindWindowW(L"TarovikTrayHost", L"TarovikTrayHost");
    if (host == nullptr) return "no host";
    constexpr WPARAM kExitCommand = 1009;
    PostMessageW(host, WM_COMMAND, kExitCommand, 0);
    return "sent";
  }
  if (verb == L"quit") {
    DestroyWindow(window_a);
    return "quitting";
  }
  return "unknown request";
}

void serve_request() {
  const std::wstring path = dir + L"\\request";
  FILE* in = _wfopen(path.c_str(), L"rb");
  if (in == nullptr) return;
  std::string line(4096, '\0');
  line.resize(std::fread(line.data(), 1, line.size(), in));
  std::fclose(in);
  DeleteFileW(path.c_str());
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::wstring request(static_cast<std::size_t>(line.size()), L'\0');
  request.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                                              request.data(), static_cast<int>(request.size()))));
  write_file(L"reply", answer(request) + "\n");
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      serve_request();
      return 0;
    case WM_DESTROY:
      if (window == window_a) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

HWND make_field(HWND parent, DWORD style, int x, int y, int width, int height, HFONT font) {
  HWND edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, x, y, width, height, parent,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return edit;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) return 2;
  dir = argv[1];

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TarovikTestEditor";
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassW(&window_class);
  constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  window_b = CreateWindowW(L"TarovikTestEditor", L"Tarovik editor B", kStyle, 660, 40, 600, 400, nullptr, nullptr,
                           window_class.hInstance, nullptr);
  window_a = CreateWindowW(L"TarovikTestEditor", L"Tarovik editor A", kStyle, 20, 40, 620, 400, nullptr, nullptr,
                           window_class.hInstance, nullptr);
  // The dialog font has no Devanagari; the screenshots should show what was typed.
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Nirmala UI");
  // Without ES_AUTOVSCROLL a full field refuses what is typed next.
  constexpr DWORD kMultiLine = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
  fields[0].edit = make_field(window_a, kMultiLine, 10, 10, 580, 330, font);
  fields[1].edit = make_field(window_b, kMultiLine, 10, 10, 560, 270, font);
  fields[2].edit = make_field(window_b, ES_AUTOHSCROLL, 10, 300, 560, 36, font);
  line_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(fields[2].edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc)));

  std::string layout = "A " + rect_text(window_a) + "\nB " + rect_text(window_b) + "\n";
  for (const Field& field : fields) layout += to_utf8(field.name) + " " + rect_text(field.edit) + "\n";
  write_file(L"fields.txt", layout);
  SetTimer(window_a, 1, 20, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DeleteObject(font);
  return 0;
}
