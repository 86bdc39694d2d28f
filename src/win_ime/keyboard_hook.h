#pragma once

#include <array>
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
                               pause = 0x13, capital = 0x14, escape = 0x1B, space = 0x20, prior = 0x21, up = 0x26,
                               down = 0x28,
                               key_1 = 0x31, key_y = 0x59, lwin = 0x5B, rwin = 0x5C, lshift = 0xA0, rshift = 0xA1,
                               lcontrol = 0xA2, rcontrol = 0xA3, lmenu = 0xA4, rmenu = 0xA5, oem_period = 0xBE,
                               oem_3 = 0xC0, packet = 0xE7;
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
  bool extended = false;
};

struct HostPost {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  friend bool operator==(const HostPost&, const HostPost&) = default;
};

// What the hook does with one key: let it through or swallow it, the message to post to the
// host window and the commit to queue (both after the state's lock is released). A key held
// back behind earlier input is swallowed and queued as its replay.
struct HookDecision {
  bool swallow = false;
  std::optional<HostPost> post;
  std::optional<CommitAction> action;
  std::optional<InjectedKey> replay;
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
  // Earlier commits or replays are still queued or on their way to the application.
  bool hold_back = false;
};

// Keys typed while the program's own injected events are still on their way would reach the
// application first, and the commit's backspaces would then erase them instead of the roman
// text. So while anything is queued or in flight the hook holds every key of the user's back
// and the drain replays it in order. Marked events the hook has not seen yet are in flight.
// Replays are injected input: Win+L and programs that ignore injected keys do not see them as
// typed. Used on the host window thread only.
class InputOrder {
 public:
  // Called before SendInput with the number of marked events, and after it with the number it
  // refused: the hook may see the events while SendInput is still running.
  void injecting(std::size_t events, std::uint64_t now_ms);
  void refused(std::size_t events);
  // For every event the hook sees: counts a marked one off, and says whether an event of the
  // user's must wait. Once nothing is pending the system's key state is right again.
  bool must_hold(const KeyEvent& event, bool queue_empty, std::uint64_t now_ms);
  // A held-back key: the system has not seen it, so later keys must not ask the system for it.
  void held_back(const KeyEvent& event);
  // The modifiers as the user pressed them; system_down reports a key's state as the system knows it.
  Modifiers modifiers(const std::function<bool(std::uint32_t)>& system_down) const;
  bool caps_lock_flipped() const { return caps_flips_ % 2 == 1; }

 private:
  // Marked events that never come back (refused by the target) must not hold keys forever.
  static constexpr std::uint64_t kLostAfterMs = 500;

  std::size_t in_flight_ = 0;
  std::uint64_t last_progress_ms_ = 0;
  std::array<std::optional<bool>, 256> held_down_{};
  unsigned caps_flips_ = 0;
};

// The whole decision of the low-level keyboard hook for one key event. swallowed_toggle_key
// is the key of the last toggle whose key-up is still to be swallowed. With hold_back, a key
// that would be let through is swallowed and handed back as its replay instead.
HookDecision decide_key(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& inputs);

// ASCII digits and letters and the marks # * - / @ \ ^ _ ` ~.
bool is_composing_char(char32_t c);

}  // namespace tarovik
