#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "win_ime/composition_state.h"
#include "win_ime/host_messages.h"
#include "win_ime/key_injection.h"
#include "win_popup/popup_layout.h"

namespace tarovik {

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

// What a hook does with one event: let it through or swallow it, the message to post to the
// host window and the commit to queue (both after the state's lock is released). An event held
// back behind earlier input is swallowed, undecided, and queued as its replay.
struct HookDecision {
  bool swallow = false;
  std::optional<HostPost> post;
  std::optional<CommitAction> action;
  std::optional<InjectedInput> replay;
};

struct HookInputs {
  KeyEvent event;
  Modifiers modifiers;          // snapshot taken at a key-down
  WindowId foreground = 0;      // the foreground window
  // The character the key would type in the foreground application, asked only when needed.
  std::function<std::optional<char32_t>()> translate;
  // Earlier input is still queued or on its way to the application: this key must wait.
  bool hold_back = false;
};

// What lies under a pressed button among the program's own windows, which never take the
// focus: the popup or the pill, and the popup's row there with the text it shows. A held press
// is judged by what it was aimed at when pressed; changed says our windows have come to or
// gone from the point since, so its replay would land elsewhere than the user aimed.
struct OwnWindowHit {
  bool own = false;
  std::optional<PopupRowHit> row;
  bool changed = false;
};

struct ButtonInputs {
  ButtonEvent event;
  OwnWindowHit hit;
  bool hold_back = false;
  WindowId foreground = 0;  // the foreground window, at a press
};

// The whole decision of the low-level keyboard hook for one key event. swallowed_toggle_key
// is the key of the last toggle whose key-up is still to be swallowed.
HookDecision decide_key(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& inputs);

// The low-level mouse hook's decision for a button: a press elsewhere than on the program's own
// windows moves the caret or the focus, so it ends the word as the caret keys do. A left press
// on a popup row commits that row like a key, in its place among the keys.
// swallowed_press is the button whose press was swallowed: its release is swallowed too.
HookDecision decide_button(SharedState* shared, std::optional<MouseButton>& swallowed_press,
                           const ButtonInputs& inputs);

// A click on popup row index: accepts that prediction while predictions are shown, else commits
// that candidate with one space (lock held).
std::optional<CommitAction> commit_clicked_candidate(ImeState& state, std::size_t index);

// ASCII digits and letters and the marks # * - / @ \ ^ _ ` ~.
bool is_composing_char(char32_t c);

}  // namespace tarovik
