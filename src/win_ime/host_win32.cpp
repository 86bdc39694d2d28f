#include "win_ime/host_win32.h"

#include "win_ime/key_injection.h"

namespace tarovik {

std::atomic<HWND> HOST_WINDOW{nullptr};
std::atomic<CommitQueue*> COMMIT_QUEUE{nullptr};
std::atomic<SharedState*> GLOBAL_STATE{nullptr};

namespace {

// The key of the last toggle whose key-up is still to be swallowed; the hook's own.
std::uint16_t swallowed_toggle_key = 0;

bool held(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

KeyMessage key_message(WPARAM message) {
  switch (message) {
    case WM_KEYDOWN: return KeyMessage::key_down;
    case WM_SYSKEYDOWN: return KeyMessage::sys_key_down;
    case WM_KEYUP: return KeyMessage::key_up;
    case WM_SYSKEYUP: return KeyMessage::sys_key_up;
    default: return KeyMessage::other;
  }
}

}  // namespace

void post_to_host(std::uint32_t message, WPARAM wparam) {
  if (HWND host = HOST_WINDOW.load()) PostMessageW(host, message, wparam, 0);
}

void queue_commit_action(CommitAction action) {
  CommitQueue* queue = COMMIT_QUEUE.load();
  if (queue == nullptr) return;
  queue->push(std::move(action));
  post_to_host(WM_APP_COMMIT_READY, 0);
}

std::optional<char32_t> translate_key_to_char(UINT vk, UINT scan) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = held(VK_SHIFT) ? 0x80 : 0;
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
  HookInputs inputs;
  inputs.event = {key_message(message), key->vkCode, key->scanCode, static_cast<std::uint64_t>(key->dwExtraInfo)};
  if (inputs.event.message == KeyMessage::key_down || inputs.event.message == KeyMessage::sys_key_down) {
    inputs.modifiers = {held(VK_CONTROL), held(VK_MENU), held(VK_LWIN) || held(VK_RWIN), held(VK_SHIFT)};
  }
  inputs.foreground = reinterpret_cast<WindowId>(GetForegroundWindow());
  inputs.translate = [key] { return translate_key_to_char(key->vkCode, key->scanCode); };

  HookDecision decision = decide_key(GLOBAL_STATE.load(), swallowed_toggle_key, inputs);
  // The state's lock is released here: only now queue and post.
  if (decision.action) queue_commit_action(std::move(*decision.action));
  if (decision.post) post_to_host(decision.post->message, decision.post->wparam);
  return decision.swallow ? 1 : CallNextHookEx(nullptr, code, message, event);
}

void run_message_loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void inject_text(std::size_t erase_count, std::string_view text) {
  const std::vector<InjectedKey> keys = build_injected_keys(erase_count, text);
  if (keys.empty()) return;
  std::vector<INPUT> inputs(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    KEYBDINPUT& k = inputs[i].ki;
    k.wVk = keys[i].vk;
    k.wScan = keys[i].scan;
    k.dwFlags = (keys[i].unicode ? KEYEVENTF_UNICODE : 0) | (keys[i].key_up ? KEYEVENTF_KEYUP : 0);
    k.time = 0;
    k.dwExtraInfo = static_cast<ULONG_PTR>(INJECTED_MARKER);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace tarovik
