#include "win_ime/keyboard_hook.h"

#include <algorithm>
#include <string_view>

namespace tarovik {

namespace {

constexpr std::string_view kComposingMarks = "#*-/@\\^_`~";

HookDecision pass(std::optional<HostPost> post = std::nullopt) { return {false, post, std::nullopt}; }
HookDecision swallow(std::optional<HostPost> post = std::nullopt) { return {true, post, std::nullopt}; }
HostPost popup(bool show) { return {WM_APP_POPUP_REFRESH, show ? 1u : 0u}; }

bool is_toggle(const ImeConfig& config, std::uint32_t key, const Modifiers& m) {
  bool matches = false;
  switch (config.toggle_shortcut) {
    case ToggleShortcut::ctrl_alt_space: matches = key == vk::space && m.ctrl && m.alt && !m.shift; break;
    case ToggleShortcut::ctrl_space: matches = key == vk::space && m.ctrl && !m.shift && !m.alt; break;
    case ToggleShortcut::alt_grave: matches = key == vk::oem_3 && m.alt && !m.ctrl && !m.shift; break;
    case ToggleShortcut::ctrl_shift_space: matches = key == vk::space && m.ctrl && m.shift && !m.alt; break;
    case ToggleShortcut::pause_key: matches = key == vk::pause && !m.ctrl && !m.alt && !m.shift; break;
  }
  // Ctrl+Shift+Y always toggles, so a forgotten shortcut never locks the user out.
  return matches || (key == vk::key_y && m.ctrl && m.shift && !m.alt) ||
         (config.also_ctrl_space && key == vk::space && m.ctrl && !m.alt && !m.shift);
}

// A commit made under the lock: queue it and show the predictions when there are some.
HookDecision committed(CommitAction action, bool popup_flag) {
  return {true, popup(popup_flag), std::move(action)};
}

// Keys that move the caret away from the roman text and the word before it.
bool is_caret_key(std::uint32_t key) { return key >= vk::prior && key <= vk::down; }

// Forgets the word and its context: the application's text no longer ends in them.
HookDecision start_afresh(ImeState& s) {
  const bool shown = !s.roman.empty() || s.predictions_shown;
  s.cancel_composition();
  s.previous_word.reset();
  s.last_commit.reset();
  return pass(shown ? std::optional(popup(false)) : std::nullopt);
}

// A word the buffer cannot hold is left as typed: erasing only part of it would break it.
HookDecision overflowed(ImeState& s) {
  start_afresh(s);
  s.overlong_word = true;
  return pass(popup(false));
}

// Steps for a key-down once the state exists and the input method is enabled (lock held).
HookDecision decide_enabled_key(ImeState& s, const HookInputs& in) {
  const std::uint32_t key = in.event.vk;
  const Modifiers& m = in.modifiers;
  const bool show = s.config.show_candidate_popup;
  const std::size_t n = clamp_max_candidates(s.config.max_candidates);
  std::optional<std::optional<char32_t>> translated;  // asked once: dead keys change the layout's state
  auto character = [&] {
    if (!translated) translated = in.translate ? in.translate() : std::nullopt;
    return *translated;
  };

  // An overlong word goes on through its letters, dots and backspaces.
  if (s.overlong_word) {
    const bool in_word = key == vk::back || (key == vk::oem_period && !m.shift) ||
                         (character() && is_composing_char(*character()));
    if (in_word) return pass();
    s.overlong_word = false;
  }

  // Rows act on keys only while the popup shows them; unseen, every key is typed as usual.
  // Predictions after a commit.
  if (show && s.roman.empty() && s.predictions_shown && !s.candidates.empty()) {
    std::optional<CommitAction> accepted;
    bool handled = false;
    if (key == vk::tab) {
      handled = true;
      accepted = s.accept_prediction(std::min(s.selected, s.candidates.size() - 1));
    } else if (key == vk::escape) {
      s.cancel_composition();
      s.last_commit.reset();
      return swallow(popup(false));
    } else if (key >= vk::key_1 && key <= vk::key_1 + 2 && !m.shift && s.config.number_key_commits) {
      handled = true;
      accepted = s.accept_prediction(key - vk::key_1);
    }
    if (handled && accepted) return committed(std::move(*accepted), show && s.predictions_shown);
  } else if (show && !s.roman.empty() && !s.candidates.empty()) {
    // Moving through the candidates, cancelling, picking by number.
    if (key == vk::tab || key == vk::down) {
      s.selected = (s.selected + 1) % s.candidates.size();
      return swallow(popup(show));
    }
    if (key == vk::up) {
      s.selected = s.selected == 0 ? s.candidates.size() - 1 : s.selected - 1;
      return swallow(popup(show));
    }
    if (key == vk::escape) {
      s.cancel_composition();
      return swallow(popup(false));
    }
    const bool pick_key = key >= vk::key_1 && key < vk::key_1 + n;
    if (pick_key && s.config.number_key_commits && !m.shift && has_ascii_letter(s.roman)) {
      if (auto action = s.commit_candidate(key - vk::key_1, " ")) return committed(std::move(*action), s.predictions_shown);
    }
  }

  // General keys; a digit that did not pick goes on to be composed below.
  if (key == vk::back) {
    if (auto action = s.undo_last_commit()) return committed(std::move(*action), show && !s.candidates.empty());
    const BackspaceResult result = s.composition_backspace();
    return pass(popup(show && result == BackspaceResult::still_composing));
  }
  std::optional<std::string_view> suffix;
  if (key == vk::enter) suffix = "\r";
  if (key == vk::space) suffix = " ";
  if (key == vk::oem_period && !m.shift && s.config.period_purna_biram) {
    if (full_stop_joins(s.roman)) {
      if (!s.composition_push_char(U'.')) return overflowed(s);
      return pass(popup(false));
    }
    suffix = kDanda;
  }
  if (suffix) {
    if (auto action = s.commit_selection(*suffix)) return committed(std::move(*action), show && s.predictions_shown);
    return pass(popup(false));
  }

  // Characters.
  const std::optional<char32_t> c = character();
  if (!c) return is_caret_key(key) ? start_afresh(s) : pass();
  if (is_composing_char(*c)) {
    if (s.composition_push_char(*c)) return pass(popup(show));
    return overflowed(s);
  }
  if (s.roman.empty()) return pass();
  s.cancel_composition();
  s.previous_word.reset();
  return pass(popup(false));
}

HookDecision decide_handling(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& in) {
  const KeyEvent& event = in.event;
  if (event.extra_info == INJECTED_MARKER) return pass();
  if (event.message == KeyMessage::key_up || event.message == KeyMessage::sys_key_up) {
    if (event.vk != 0 && event.vk == swallowed_toggle_key) {
      swallowed_toggle_key = 0;
      return swallow();
    }
    return pass();
  }
  if (event.message != KeyMessage::key_down && event.message != KeyMessage::sys_key_down) return pass();
  const Modifiers& m = in.modifiers;

  if (shared != nullptr && !m.win) {
    std::unique_lock lock(shared->mutex);
    if (is_toggle(shared->state.config, event.vk, m)) {
      const bool repeat = swallowed_toggle_key == event.vk;
      swallowed_toggle_key = static_cast<std::uint16_t>(event.vk);
      if (repeat) return swallow();
      const bool enabled = shared->state.toggle_enabled();
      return swallow(HostPost{WM_APP_ENABLED_CHANGED, enabled ? 1u : 0u});
    }
  }

  // Application shortcuts end the composition and work as usual.
  if (m.ctrl || m.alt || m.win) {
    if (shared == nullptr) return pass();
    std::unique_lock lock(shared->mutex);
    if (shared->state.roman.empty()) return pass();
    shared->state.cancel_composition();
    return pass(popup(false));
  }
  if (shared == nullptr) return pass();

  std::unique_lock lock(shared->mutex);
  ImeState& s = shared->state;
  if (!s.enabled) return pass();
  if (in.foreground != s.last_foreground) {
    s.last_foreground = in.foreground;
    s.cancel_composition();
    s.previous_word.reset();
  }
  return decide_enabled_key(s, in);
}

bool is_key_message(KeyMessage m) { return m != KeyMessage::other; }

bool is_key_up(KeyMessage m) { return m == KeyMessage::key_up || m == KeyMessage::sys_key_up; }

// A generic modifier code is kept under its left-hand code, as the system reports the key.
std::uint32_t modifier_slot(std::uint32_t key) {
  switch (key) {
    case vk::shift: return vk::lshift;
    case vk::control: return vk::lcontrol;
    case vk::menu: return vk::lmenu;
    default: return key & 0xFF;
  }
}

}  // namespace

bool is_composing_char(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c < 0x80 && kComposingMarks.find(static_cast<char>(c)) != std::string_view::npos);
}

HookDecision decide_key(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& in) {
  HookDecision decision = decide_handling(shared, swallowed_toggle_key, in);
  if (in.hold_back && !decision.swallow && in.event.extra_info != INJECTED_MARKER && is_key_message(in.event.message)) {
    const KeyEvent& e = in.event;
    const bool unicode = e.vk == vk::packet;
    decision.swallow = true;
    decision.replay = InjectedKey{static_cast<std::uint16_t>(unicode ? 0 : e.vk), static_cast<std::uint16_t>(e.scan),
                                  unicode, is_key_up(e.message), e.extended};
  }
  return decision;
}

void InputOrder::injecting(std::size_t events, std::uint64_t now_ms) {
  // Loss is measured from the last progress: sends stacked on lost events must not renew it.
  if (in_flight_ == 0) last_progress_ms_ = now_ms;
  in_flight_ += events;
}

void InputOrder::refused(std::size_t events) { in_flight_ -= std::min(events, in_flight_); }

bool InputOrder::must_hold(const KeyEvent& event, bool queue_empty, std::uint64_t now_ms) {
  if (event.extra_info == INJECTED_MARKER) {
    if (in_flight_ > 0) --in_flight_;
    last_progress_ms_ = now_ms;
    // A replayed Caps Lock has now flipped the system's own state.
    if (event.vk == vk::capital && !is_key_up(event.message) && caps_flips_ > 0) --caps_flips_;
    return false;
  }
  if (in_flight_ > 0 && now_ms - last_progress_ms_ > kLostAfterMs) in_flight_ = 0;
  if (queue_empty && in_flight_ == 0) {
    held_down_.fill(std::nullopt);
    caps_flips_ = 0;
    return false;
  }
  return true;
}

void InputOrder::held_back(const KeyEvent& event) {
  const bool up = is_key_up(event.message);
  std::optional<bool>& down = held_down_[modifier_slot(event.vk)];
  if (event.vk == vk::capital && !up && down != true) ++caps_flips_;  // a repeat flips nothing
  down = !up;
}

Modifiers InputOrder::modifiers(const std::function<bool(std::uint32_t)>& system_down) const {
  auto down = [&](std::uint32_t key) { return held_down_[key].value_or(system_down(key)); };
  return {down(vk::lcontrol) || down(vk::rcontrol), down(vk::lmenu) || down(vk::rmenu),
          down(vk::lwin) || down(vk::rwin), down(vk::lshift) || down(vk::rshift)};
}

}  // namespace tarovik
