#include "win_ime/keyboard_hook.h"

#include "base/ascii.h"

#include <algorithm>
#include <string_view>

namespace tarovik {

namespace {

constexpr std::string_view kComposingMarks = "#*-/@\\^_`~";

HookDecision pass(std::optional<HostPost> post = std::nullopt) { return {false, post}; }
HookDecision swallow(std::optional<HostPost> post = std::nullopt) { return {true, post}; }
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
  s.start_afresh();
  return pass(shown ? std::optional(popup(false)) : std::nullopt);
}

// Another window is in front: nothing typed there belongs to this word, nor may Backspace undo
// it. Gives the decision that starts afresh, or nothing when the window is the same.
std::optional<HookDecision> followed_to(ImeState& s, WindowId foreground) {
  if (foreground == s.last_foreground) return std::nullopt;
  s.last_foreground = foreground;
  return start_afresh(s);
}

// A word the buffer cannot hold is left as typed: erasing only part of it would break it.
HookDecision overflowed(ImeState& s) {
  start_afresh(s);
  s.overlong_word = true;
  return pass(popup(false));
}

// Remembers whether the popup will show rows once the host window has carried the decision out.
HookDecision noted(ImeState& s, HookDecision decision) {
  if (decision.post && decision.post->message == WM_APP_POPUP_REFRESH) {
    s.rows_on_screen = decision.post->wparam != 0 && popup_shows_rows(s);
  }
  return decision;
}

// One key-down as the stages below see it; the character is asked once, since dead keys
// change the layout's state.
class Key {
 public:
  Key(ImeState& s, const HookInputs& in) : state(s), code(in.event.vk), shift(in.modifiers.shift), inputs_(in) {}

  std::optional<char32_t> character() {
    if (!translated_) translated_ = inputs_.translate ? inputs_.translate() : std::nullopt;
    return *translated_;
  }
  bool composes() { return character() && is_composing_char(*character()); }
  bool is_full_stop() const { return code == vk::oem_period && !shift; }
  // The popup flag of the setting, and whether the rows are on screen for keys to act on.
  bool show() const { return state.config.show_candidate_popup; }
  bool rows_seen() const { return rows_shown(state); }

  ImeState& state;
  const std::uint32_t code;
  const bool shift;

 private:
  const HookInputs& inputs_;
  std::optional<std::optional<char32_t>> translated_;
};

using Stage = std::optional<HookDecision>;

// An overlong word goes on through its letters, dots and backspaces; any other key ends it.
Stage overlong_word(Key& k) {
  if (!k.state.overlong_word) return std::nullopt;
  if (k.code == vk::back || k.is_full_stop() || k.composes()) return pass();
  k.state.overlong_word = false;
  return std::nullopt;
}

// Esc gives up the word, kept in English, whether or not the popup shows it.
Stage escape(Key& k) {
  if (k.code != vk::escape || k.state.roman.empty()) return std::nullopt;
  k.state.cancel_composition();
  return swallow(popup(false));
}

// Next-word predictions after a commit: Tab or 1 to 3 accepts one, Esc drops them and the undo.
Stage predictions(Key& k) {
  ImeState& s = k.state;
  if (!s.roman.empty() || !s.predictions_shown || !k.rows_seen()) return std::nullopt;
  if (k.code == vk::escape) {
    s.cancel_composition();
    s.last_commit.reset();
    return swallow(popup(false));
  }
  std::optional<CommitAction> accepted;
  if (k.code == vk::tab) {
    accepted = s.accept_prediction(std::min(s.selected, s.candidates.size() - 1));
  } else if (k.code >= vk::key_1 && k.code <= vk::key_1 + 2 && !k.shift && s.config.number_key_commits) {
    accepted = s.accept_prediction(k.code - vk::key_1);
  }
  if (!accepted) return std::nullopt;
  return committed(std::move(*accepted), k.show() && s.predictions_shown);
}

// Moving through the candidates and picking one by its number; a digit that picks nothing is
// composed like any other.
Stage navigation(Key& k) {
  ImeState& s = k.state;
  if (s.roman.empty() || !k.rows_seen()) return std::nullopt;
  if (k.code == vk::tab || k.code == vk::down) {
    s.selected = (s.selected + 1) % s.candidates.size();
    return swallow(popup(true));
  }
  if (k.code == vk::up) {
    s.selected = s.selected == 0 ? s.candidates.size() - 1 : s.selected - 1;
    return swallow(popup(true));
  }
  const std::size_t n = clamp_max_candidates(s.config.max_candidates);
  const bool pick_key = k.code >= vk::key_1 && k.code < vk::key_1 + n;
  if (!pick_key || !s.config.number_key_commits || k.shift || !has_ascii_letter(s.roman)) return std::nullopt;
  if (auto action = s.commit_candidate(k.code - vk::key_1, " ")) return committed(std::move(*action), s.predictions_shown);
  return std::nullopt;
}

// Backspace undoes the last commit or edits the roman text, which the application edits too.
Stage backspace(Key& k) {
  if (k.code != vk::back) return std::nullopt;
  ImeState& s = k.state;
  if (auto action = s.undo_last_commit()) return committed(std::move(*action), k.show() && !s.candidates.empty());
  const BackspaceResult result = s.composition_backspace();
  return pass(popup(k.show() && result == BackspaceResult::still_composing));
}

// Space, Enter and the full stop end the word; a full stop inside an address or a number joins it.
Stage commit_keys(Key& k) {
  ImeState& s = k.state;
  std::optional<std::string_view> suffix;
  if (k.code == vk::enter) suffix = "\r";
  if (k.code == vk::space) suffix = " ";
  if (k.is_full_stop() && s.config.period_purna_biram) {
    if (full_stop_joins(s.roman)) {
      if (!s.composition_push_char(U'.')) return overflowed(s);
      return pass(popup(false));
    }
    suffix = kDanda;
  }
  if (!suffix) return std::nullopt;
  if (auto action = s.commit_selection(*suffix)) return committed(std::move(*action), k.show() && s.predictions_shown);
  return pass(popup(false));
}

// Roman characters are composed and let through; other characters end the word.
HookDecision characters(Key& k) {
  ImeState& s = k.state;
  const std::optional<char32_t> c = k.character();
  if (!c) return is_caret_key(k.code) ? start_afresh(s) : pass();
  if (is_composing_char(*c)) {
    if (s.composition_push_char(*c)) return pass(popup(k.show()));
    return overflowed(s);
  }
  if (s.roman.empty()) return pass();
  s.cancel_composition();
  s.previous_word.reset();
  return pass(popup(false));
}

// A key-down once the input method is enabled, through its stages in order (lock held).
HookDecision decide_enabled_key(ImeState& s, const HookInputs& in) {
  Key key(s, in);
  for (Stage (*stage)(Key&) : {overlong_word, escape, predictions, navigation, backspace, commit_keys}) {
    if (Stage decision = stage(key)) return std::move(*decision);
  }
  return characters(key);
}

// A key-down with the state's lock held: the toggle, application shortcuts, another window.
HookDecision decide_key_down(ImeState& s, std::uint16_t& swallowed_toggle_key, const HookInputs& in) {
  const std::uint32_t key = in.event.vk;
  const Modifiers& m = in.modifiers;
  if (!m.win && is_toggle(s.config, key, m)) {
    const bool repeat = swallowed_toggle_key == key;
    swallowed_toggle_key = static_cast<std::uint16_t>(key);
    if (repeat) return swallow();
    const bool enabled = s.toggle_enabled();
    return swallow(HostPost{WM_APP_ENABLED_CHANGED, enabled ? 1u : 0u});
  }
  // Application shortcuts end the word, and an overlong one, and work as usual.
  if (m.ctrl || m.alt || m.win) {
    const bool composing = !s.roman.empty();
    if (composing || s.overlong_word) s.cancel_composition();
    return pass(composing ? std::optional(popup(false)) : std::nullopt);
  }
  if (!s.enabled) return pass();
  std::optional<HostPost> hidden;
  if (const std::optional<HookDecision> afresh = followed_to(s, in.foreground)) hidden = afresh->post;
  HookDecision decision = decide_enabled_key(s, in);
  if (!decision.post) decision.post = hidden;
  return decision;
}

// A click on a popup row commits the row the user saw there; rows changed since take nothing,
// and rows left from another window's word end it.
HookDecision clicked_row(ImeState& s, const ButtonInputs& in) {
  if (std::optional<HookDecision> afresh = followed_to(s, in.foreground)) {
    afresh->swallow = true;
    return *afresh;
  }
  const std::size_t row = in.hit.row->index;
  if (!rows_shown(s) || row >= s.candidates.size() || s.candidates[row].text != in.hit.row->text) return swallow();
  std::optional<CommitAction> action = commit_clicked_candidate(s, row);
  if (!action) return swallow();
  return committed(std::move(*action), s.config.show_candidate_popup && s.predictions_shown);
}

HookDecision decide_press(SharedState& shared, const ButtonInputs& in) {
  std::lock_guard lock(shared.mutex);
  ImeState& s = shared.state;
  if (in.hit.changed) {
    // Its replay would land on what the user did not aim at: an application's text still ends
    // the word.
    HookDecision decision = in.hit.own ? swallow() : start_afresh(s);
    decision.swallow = true;
    return noted(s, decision);
  }
  if (in.hit.row && in.event.button == MouseButton::left) return noted(s, clicked_row(s, in));
  if (in.hit.own) return pass();
  return noted(s, start_afresh(s));
}

bool is_key_message(KeyMessage m) { return m != KeyMessage::other; }

bool is_key_up(KeyMessage m) { return m == KeyMessage::key_up || m == KeyMessage::sys_key_up; }

// A key held back behind earlier input, to be replayed and decided when it comes back.
HookDecision held(const KeyEvent& e) {
  const bool unicode = e.vk == vk::packet;
  HookDecision decision = swallow();
  decision.replay = InjectedKey{static_cast<std::uint16_t>(unicode ? 0 : e.vk), static_cast<std::uint16_t>(e.scan),
                                unicode, is_key_up(e.message), e.extended};
  return decision;
}

}  // namespace

bool is_composing_char(char32_t c) {
  return ascii::is_digit(c) || ascii::is_letter(c) ||
         (c < 0x80 && kComposingMarks.find(static_cast<char>(c)) != std::string_view::npos);
}

HookDecision decide_key(SharedState* shared, std::uint16_t& swallowed_toggle_key, const HookInputs& in) {
  const KeyEvent& event = in.event;
  if (event.extra_info == INJECTED_MARKER || !is_key_message(event.message)) return pass();
  if (in.hold_back) return held(event);
  if (is_key_up(event.message)) {
    if (event.vk != 0 && event.vk == swallowed_toggle_key) {
      swallowed_toggle_key = 0;
      return swallow();
    }
    return pass();
  }
  if (shared == nullptr) return pass();
  std::lock_guard lock(shared->mutex);
  return noted(shared->state, decide_key_down(shared->state, swallowed_toggle_key, in));
}

std::optional<CommitAction> commit_clicked_candidate(ImeState& s, std::size_t index) {
  return s.roman.empty() && s.predictions_shown ? s.accept_prediction(index) : s.commit_candidate(index, " ");
}

HookDecision decide_button(SharedState* shared, std::optional<MouseButton>& swallowed_press, const ButtonInputs& in) {
  const ButtonEvent& e = in.event;
  if (e.extra_info == INJECTED_MARKER) return pass();
  if (in.hold_back) {
    HookDecision decision = swallow();
    ButtonEvent replay = e;
    replay.extra_info = 0;
    decision.replay = replay;
    return decision;
  }
  if (e.up) {
    // The window under it never saw the press.
    if (swallowed_press != e.button) return pass();
    swallowed_press.reset();
    return swallow();
  }
  if (is_wheel(e.button) || shared == nullptr) return pass();
  HookDecision decision = decide_press(*shared, in);
  if (decision.swallow) swallowed_press = e.button;
  return decision;
}

}  // namespace tarovik
