#include "win_ime/host_win32.h"

#include "win_popup/candidate_popup_win32.h"

namespace tarovik {

std::atomic<HWND> HOST_WINDOW{nullptr};
std::atomic<SharedState*> GLOBAL_STATE{nullptr};

namespace {

bool system_down(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

// The keys as the system knows them: a held-back key is decided only once its replay comes
// back, when the system has seen everything before it.
Modifiers system_modifiers() {
  return {system_down(VK_CONTROL), system_down(VK_MENU), system_down(VK_LWIN) || system_down(VK_RWIN),
          system_down(VK_SHIFT)};
}

WindowId foreground_window() { return reinterpret_cast<WindowId>(GetForegroundWindow()); }

KeyMessage key_message(WPARAM message) {
  switch (message) {
    case WM_KEYDOWN: return KeyMessage::key_down;
    case WM_SYSKEYDOWN: return KeyMessage::sys_key_down;
    case WM_KEYUP: return KeyMessage::key_up;
    case WM_SYSKEYUP: return KeyMessage::sys_key_up;
    default: return KeyMessage::other;
  }
}

// The button event of a low-level mouse message; moves are none.
std::optional<ButtonEvent> button_event(WPARAM message, const MSLLHOOKSTRUCT& mouse) {
  ButtonEvent e{MouseButton::left, false, mouse.pt.x, mouse.pt.y, static_cast<std::uint64_t>(mouse.dwExtraInfo)};
  switch (message) {
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      e.button = message == WM_MOUSEWHEEL ? MouseButton::wheel : MouseButton::hwheel;
      e.delta = static_cast<std::int16_t>(HIWORD(mouse.mouseData));
      return e;
    case WM_LBUTTONUP: e.up = true; [[fallthrough]];
    case WM_LBUTTONDOWN: e.button = MouseButton::left; return e;
    case WM_RBUTTONUP: e.up = true; [[fallthrough]];
    case WM_RBUTTONDOWN: e.button = MouseButton::right; return e;
    case WM_MBUTTONUP: e.up = true; [[fallthrough]];
    case WM_MBUTTONDOWN: e.button = MouseButton::middle; return e;
    case WM_XBUTTONUP: e.up = true; [[fallthrough]];
    case WM_XBUTTONDOWN: e.button = HIWORD(mouse.mouseData) == XBUTTON2 ? MouseButton::x2 : MouseButton::x1; return e;
    default: return std::nullopt;
  }
}

// The top-level window under a point: the window a click there brings to the front.
HWND root_window_at(POINT point) { return GetAncestor(WindowFromPoint(point), GA_ROOT); }

// The popup and the pill never take the focus: a click on them moves no caret.
OwnWindowHit own_window_at(POINT point) {
  HWND window = root_window_at(point);
  DWORD process = 0;
  if (window != nullptr) GetWindowThreadProcessId(window, &process);
  OwnWindowHit hit;
  hit.own = process == GetCurrentProcessId();
  if (hit.own) hit.row = popup_row_at(window, point);
  return hit;
}

INPUT key_input(const InjectedKey& key) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key.vk;
  input.ki.wScan = key.scan;
  input.ki.dwFlags = (key.unicode ? KEYEVENTF_UNICODE : 0) | (key.key_up ? KEYEVENTF_KEYUP : 0) |
                     (key.extended ? KEYEVENTF_EXTENDEDKEY : 0);
  input.ki.dwExtraInfo = static_cast<ULONG_PTR>(key.extra_info);
  return input;
}

DWORD button_flag(const ButtonEvent& b) {
  switch (b.button) {
    case MouseButton::wheel: return MOUSEEVENTF_WHEEL;
    case MouseButton::hwheel: return MOUSEEVENTF_HWHEEL;
    case MouseButton::left: return b.up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    case MouseButton::right: return b.up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    case MouseButton::middle: return b.up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
    case MouseButton::x1:
    case MouseButton::x2: return b.up ? MOUSEEVENTF_XUP : MOUSEEVENTF_XDOWN;
  }
  return 0;
}

// A replayed button goes where it was pressed, however far the pointer has moved since.
INPUT button_input(const ButtonEvent& b) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = absolute_mouse_coordinate(b.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
  input.mi.dy = absolute_mouse_coordinate(b.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | button_flag(b);
  if (b.button == MouseButton::x1 || b.button == MouseButton::x2) {
    input.mi.mouseData = b.button == MouseButton::x2 ? XBUTTON2 : XBUTTON1;
  }
  if (is_wheel(b.button)) input.mi.mouseData = static_cast<DWORD>(b.delta);
  input.mi.dwExtraInfo = static_cast<ULONG_PTR>(b.extra_info);
  return input;
}

}  // namespace

void post_to_host(std::uint32_t message, WPARAM wparam) {
  if (HWND host = HOST_WINDOW.load()) PostMessageW(host, message, wparam, 0);
}

InputRoad& input_road() {
  static InputRoad road([](HostPost post) { post_to_host(post.message, post.wparam); });
  return road;
}

std::optional<char32_t> translate_key_to_char(UINT vk, UINT scan) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = system_down(VK_SHIFT) ? 0x80 : 0;
  state[VK_CAPITAL] = static_cast<BYTE>(GetKeyState(VK_CAPITAL) & 1);
  state[VK_CONTROL] = 0;  // Ctrl and Alt never shape the character
  state[VK_MENU] = 0;
  HWND foreground = GetForegroundWindow();
  HKL layout = GetKeyboardLayout(foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0);
  wchar_t buffer[8] = {};
  const int written = ToUnicodeEx(vk, scan, state, buffer, 8, 0, layout);
  if (written != 1 || (buffer[0] >= 0xD800 && buffer[0] <= 0xDFFF)) return std::nullopt;
  return static_cast<char32_t>(buffer[0]);
}

LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM message, LPARAM event) {
  if (code < 0) return CallNextHookEx(nullptr, code, message, event);
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
  const KeyEvent key_event{key_message(message), key->vkCode, key->scanCode,
                           static_cast<std::uint64_t>(key->dwExtraInfo), (key->flags & LLKHF_EXTENDED) != 0};
  const KeyPlatform platform{system_modifiers, foreground_window,
                             [key] { return translate_key_to_char(key->vkCode, key->scanCode); }, GetTickCount64()};
  if (input_road().on_key(GLOBAL_STATE.load(), key_event, platform)) return 1;
  return CallNextHookEx(nullptr, code, message, event);
}

LRESULT CALLBACK mouse_hook_proc(int code, WPARAM message, LPARAM event) {
  if (code < 0 || message == WM_MOUSEMOVE) return CallNextHookEx(nullptr, code, message, event);
  const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(event);
  const std::optional<ButtonEvent> button = button_event(message, *mouse);
  if (!button) return CallNextHookEx(nullptr, code, message, event);
  const POINT point = mouse->pt;
  const ButtonPlatform platform{[point] { return own_window_at(point); }, foreground_window,
                                [point] { return reinterpret_cast<WindowId>(root_window_at(point)); },
                                GetTickCount64()};
  if (input_road().on_button(GLOBAL_STATE.load(), *button, platform)) return 1;
  return CallNextHookEx(nullptr, code, message, event);
}

void run_message_loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::size_t send_injected(const std::vector<InjectedInput>& events) {
  if (events.empty()) return 0;
  std::vector<INPUT> inputs;
  inputs.reserve(events.size());
  for (const InjectedInput& e : events) {
    inputs.push_back(std::visit([](const auto& one) {
      if constexpr (std::is_same_v<std::decay_t<decltype(one)>, InjectedKey>) return key_input(one);
      else return button_input(one);
    }, e));
  }
  // Counted first: the hooks can be called for these events, and for input typed meanwhile,
  // before SendInput returns. Only what SendInput took will come back through the hooks.
  InputOrder& order = input_road().order();
  order.injecting(inputs.size(), GetTickCount64());
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  order.refused(inputs.size() - sent);
  return sent;
}

}  // namespace tarovik
