#include "win_ime/host_win32.h"

#include "win_ime/key_injection.h"

namespace tarovik {

std::atomic<HWND> HOST_WINDOW{nullptr};
std::atomic<CommitQueue*> COMMIT_QUEUE{nullptr};
std::atomic<SharedState*> GLOBAL_STATE{nullptr};

namespace {

// The key of the last toggle whose key-up is still to be swallowed; the hook's own.
std::uint16_t swallowed_toggle_key = 0;

// What the program has injected and what the hook held back behind it; host window thread only.
InputOrder input_order;

bool system_down(std::uint32_t key) { return (GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0; }

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

void queue_commit_action(QueuedInput input) {
  CommitQueue* queue = COMMIT_QUEUE.load();
  if (queue == nullptr) return;
  queue->push(std::move(input));
  post_to_host(WM_APP_COMMIT_READY, 0);
}

std::optional<char32_t> translate_key_to_char(UINT vk, UINT scan, bool shift, bool caps_lock_flipped) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_CAPITAL] = static_cast<BYTE>((GetKeyState(VK_CAPITAL) & 1) ^ (caps_lock_flipped ? 1 : 0));
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
  inputs.event = {key_message(message), key->vkCode, key->scanCode, static_cast<std::uint64_t>(key->dwExtraInfo),
                  (key->flags & LLKHF_EXTENDED) != 0};
  CommitQueue* queue = COMMIT_QUEUE.load();
  inputs.hold_back = input_order.must_hold(inputs.event, queue == nullptr || queue->empty(), GetTickCount64());
  if (inputs.event.message == KeyMessage::key_down || inputs.event.message == KeyMessage::sys_key_down) {
    inputs.modifiers = input_order.modifiers(system_down);
  }
  inputs.foreground = reinterpret_cast<WindowId>(GetForegroundWindow());
  const bool shift = inputs.modifiers.shift;
  const bool caps_flipped = input_order.caps_lock_flipped();
  inputs.translate = [key, shift, caps_flipped] {
    return translate_key_to_char(key->vkCode, key->scanCode, shift, caps_flipped);
  };

  HookDecision decision = decide_key(GLOBAL_STATE.load(), swallowed_toggle_key, inputs);
  // The state's lock is released here: only now queue and post.
  if (decision.replay) {
    input_order.held_back(inputs.event);
    queue_commit_action(*decision.replay);
  }
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

void send_injected_keys(const std::vector<InjectedKey>& keys) {
  if (keys.empty()) return;
  std::vector<INPUT> inputs(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    KEYBDINPUT& k = inputs[i].ki;
    k.wVk = keys[i].vk;
    k.wScan = keys[i].scan;
    k.dwFlags = (keys[i].unicode ? KEYEVENTF_UNICODE : 0) | (keys[i].key_up ? KEYEVENTF_KEYUP : 0) |
                (keys[i].extended ? KEYEVENTF_EXTENDEDKEY : 0);
    k.time = 0;
    k.dwExtraInfo = static_cast<ULONG_PTR>(INJECTED_MARKER);
  }
  // Counted first: the hook can be called for these events, and for keys typed meanwhile,
  // before SendInput returns. Only what SendInput took will come back through the hook.
  input_order.injecting(inputs.size(), GetTickCount64());
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  input_order.refused(inputs.size() - sent);
}

}  // namespace tarovik
