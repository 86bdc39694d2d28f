#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "win_ime/composition_state.h"

namespace tarovik {

// Carried by every key event the program injects, so the hook lets its own keys through.
inline constexpr std::uint64_t INJECTED_MARKER = 0x54564E50;

// Host messages (WM_APP + n).
inline constexpr std::uint32_t WM_APP_TRAY_CALLBACK = 0x8001;
inline constexpr std::uint32_t WM_APP_POPUP_REFRESH = 0x800A;
inline constexpr std::uint32_t WM_APP_COMMIT_READY = 0x800B;
inline constexpr std::uint32_t WM_APP_ENABLED_CHANGED = 0x800C;
inline constexpr std::uint32_t WM_APP_CONFIG_CHANGED = 0x800D;
inline constexpr std::uint32_t WM_APP_OPEN_STUDIO = 0x800E;
inline constexpr std::uint32_t WM_APP_OPEN_PREFERENCES = 0x800F;
inline constexpr std::uint32_t WM_APP_SHOW_MENU = 0x8010;
inline constexpr std::uint32_t WM_APP_PILL_MOVED = 0x8011;
inline constexpr std::uint32_t WM_APP_PILL_TOGGLE = 0x8012;
inline constexpr std::uint32_t WM_APP_INSTALL_HOOK = 0x8013;

// Virtual-key codes the hook looks at (the same numbers as the Windows headers).
namespace vk {
inline constexpr std::uint32_t back = 0x08, tab = 0x09, enter = 0x0D, shift = 0x10, control = 0x11, menu = 0x12,
                               pause = 0x13, escape = 0x1B, space = 0x20, up = 0x26, down = 0x28, key_1 = 0x31,
                               key_y = 0x59, oem_period = 0xBE, oem_3 = 0xC0;
}

enum class KeyMessage : std::uint8_t { key_down, sys_key_down, key_up, sys_key_up, other };

struct Modifiers {
  bool ctrl = false;
  bool alt = false;
  bool win = false;
  bool shift = false;
};

struct KeyEvent {
  KeyMessage message = KeyMessage::other;
  std::uint32_t vk = 0;
  std::uint32_t scan = 0;
  std::uint64_t extra_info = 0;
};

struct HostPost {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  friend bool operator==(const HostPost&, const HostPost&) = default;
};

// What the hook does with one key: let it through or swallow it, the message to post to the
// host window and the commit to queue (both after the state's lock is released).
struct HookDecision {
  bool swallow = false;
  std::optional<HostPost> post;
  std::optional<CommitAction> action;
};

// The composition state as the hook reaches it; null until the warm-up thread built it.
struct SharedState {
  std::mutex mutex;
  ImeState state;
};

struct HookInputs {
  KeyEvent event;
  Modifiers modifiers;          // snapshot taken at a key-down
  WindowId foreground = 0;      // the foreground window
  // The character the key would type in the foreground application, asked only when needed.
  std::function<std::optional<char32_t>()> translate;
};

// The whole decision of the low-level keyboard hook for one key event. swallowed_toggle_key
// is the key of the last toggle whose key-up is still to be swallowed.
HookDecision decide_key(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& inputs);

// ASCII digits and letters and the marks # * - / @ \ ^ _ ` ~.
bool is_composing_char(char32_t c);

}  // namespace tarovik
