#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

namespace tarovik {

// Virtual-key codes the hooks look at and the injection sends (the same numbers as the Windows
// headers).
namespace vk {
inline constexpr std::uint32_t back = 0x08, tab = 0x09, enter = 0x0D, shift = 0x10, control = 0x11, menu = 0x12,
                               pause = 0x13, capital = 0x14, escape = 0x1B, space = 0x20, prior = 0x21, up = 0x26,
                               down = 0x28,
                               key_1 = 0x31, key_y = 0x59, lwin = 0x5B, rwin = 0x5C, lshift = 0xA0, rshift = 0xA1,
                               lcontrol = 0xA2, rcontrol = 0xA3, lmenu = 0xA4, rmenu = 0xA5, oem_period = 0xBE,
                               oem_3 = 0xC0, packet = 0xE7;
}

// Carried by every event of the program's own typing, so the hooks let its events through.
inline constexpr std::uint64_t INJECTED_MARKER = 0x54564E50;
// Carried, with the event's place in the user's order above it, by a user's key or mouse
// button that was held back and is replayed: the hooks decide it when it comes back.
inline constexpr std::uint32_t REPLAY_MARKER = 0x54564E52;

inline constexpr std::uint64_t replay_extra_info(std::uint32_t sequence) {
  return (static_cast<std::uint64_t>(sequence) << 32) | REPLAY_MARKER;
}
// The place in the user's order of a replayed event, or nothing for any other event.
inline constexpr std::optional<std::uint32_t> replayed_sequence(std::uint64_t extra_info) {
  if ((extra_info & 0xFFFFFFFFu) != REPLAY_MARKER) return std::nullopt;
  return static_cast<std::uint32_t>(extra_info >> 32);
}

// One injected keyboard event: a backspace, a UTF-16 unit typed as a Unicode key, or a key of
// the user's that the hook held back and replays.
struct InjectedKey {
  std::uint16_t vk = 0;
  std::uint16_t scan = 0;
  bool unicode = false;
  bool key_up = false;
  bool extended = false;
  std::uint64_t extra_info = INJECTED_MARKER;
  friend bool operator==(const InjectedKey&, const InjectedKey&) = default;
};

// The wheels count as buttons that are only ever turned, by delta.
enum class MouseButton : std::uint8_t { left, right, middle, x1, x2, wheel, hwheel };

inline constexpr bool is_wheel(MouseButton b) { return b == MouseButton::wheel || b == MouseButton::hwheel; }

// A mouse button pressed or released, or a wheel turned, where (screen pixels): as the mouse
// hook sees it, and as a held-back one is replayed. Moves are never held: a replayed button
// goes back to where it was pressed.
struct ButtonEvent {
  MouseButton button = MouseButton::left;
  bool up = false;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint64_t extra_info = 0;
  std::int32_t delta = 0;  // a wheel's turn, in the system's units (120 a notch)
  friend bool operator==(const ButtonEvent&, const ButtonEvent&) = default;
};

using InjectedInput = std::variant<InjectedKey, ButtonEvent>;

// The scan code of the main block's Enter, as the keyboard sends it.
inline constexpr std::uint16_t kEnterScan = 0x1C;

// erase_count backspace pairs, then a down/up pair for each UTF-16 unit of text. A carriage
// return goes as the Enter key: fields that send, search or submit act on the key, not on
// the character.
std::vector<InjectedKey> build_injected_keys(std::size_t erase_count, std::string_view text);

// A screen coordinate as the 0..65535 scale of absolute mouse input over a span of pixels
// starting at origin: the middle of the pixel, so it maps back to the same pixel.
std::int32_t absolute_mouse_coordinate(std::int32_t pixel, std::int32_t origin, std::int32_t span);

}  // namespace tarovik
