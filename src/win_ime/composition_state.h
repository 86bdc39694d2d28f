#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "phonetic/candidate.h"
#include "phonetic/engine.h"
#include "win_ime/key_injection.h"
#include "win_ime/settings.h"

namespace tarovik {

// A window handle as the portable core sees it.
using WindowId = std::uintptr_t;

// The roman buffer holds at most this many bytes (one word of up to 28 letters).
inline constexpr std::size_t kMaxRomanBytes = 28;
inline constexpr std::string_view kDanda = "\u0964";

// Whether a full stop typed now belongs to the roman text instead of ending the word: after
// www, in a number or version, and inside a web or e-mail address.
bool full_stop_joins(std::string_view roman);

// Whether the roman text holds an ASCII letter (text without one is never committed).
bool has_ascii_letter(std::string_view roman);

// Undo record of the last commit made with a space.
struct LastCommit {
  std::string word;
  std::string suffix;
  std::string roman;
};

// What to erase and what to type for one commit, with what learning and the log need.
struct CommitAction {
  std::string text;
  std::string word;
  std::string top1;
  std::string roman;
  std::optional<std::string> prev_word;
  std::size_t erase_count = 0;  // characters, not bytes
  bool promoted = false;

  friend bool operator==(const CommitAction&, const CommitAction&) = default;
};

// Result of a Backspace inside the composition.
enum class BackspaceResult : std::uint8_t { emptied = 0, still_composing = 1, nothing_composed = 2 };

// The input method's state. The methods take no lock and inject nothing: the caller holds
// the state's lock, calls them, releases it and only then queues or injects the action.
struct ImeState {
  TransliterationEngine engine;
  std::string roman;
  std::vector<Candidate> candidates;
  std::optional<std::string> previous_word;
  std::optional<LastCommit> last_commit;
  ImeConfig config;
  std::size_t selected = 0;
  WindowId last_foreground = 0;
  bool enabled = true;
  bool predictions_shown = false;
  // The word outgrew the roman buffer: it is left as typed until it ends.
  bool overlong_word = false;
  // The popup shows the rows of candidates: keys act on rows only while the user sees them,
  // and the host window shows the popup only while this is set, whatever order its messages
  // come in.
  bool rows_on_screen = false;

  ImeState(TransliterationEngine engine, ImeConfig config);

  void refresh_candidates();
  bool composition_push_char(char32_t c);
  BackspaceResult composition_backspace();
  void cancel_composition();
  // Cancels and forgets the word before it and the undo: the text no longer ends in them.
  void start_afresh();
  bool toggle_enabled();
  std::optional<CommitAction> commit_candidate(std::size_t index, std::string_view suffix);
  std::optional<CommitAction> accept_prediction(std::size_t index);
  std::optional<CommitAction> commit_selection(std::string_view suffix);
  std::optional<CommitAction> undo_last_commit();

 private:
  void clear_composition();
  void show_predictions(std::string_view word);
};

// Whether the popup, refreshed now, would show rows of the state.
bool popup_shows_rows(const ImeState& state);
// Whether the popup shows rows now: the last decision showed them and they are still there.
inline bool rows_shown(const ImeState& state) { return state.rows_on_screen && popup_shows_rows(state); }

// The state as every thread reaches it, behind its one lock.
struct SharedState {
  std::mutex mutex;
  ImeState state;
};

// Events the system refused to take, already marked: they go out again before anything else.
struct RefusedEvents {
  std::vector<InjectedInput> events;
  friend bool operator==(const RefusedEvents&, const RefusedEvents&) = default;
};

// A commit, or a key or button of the user's that must reach the application after the input
// before it. sequence is the place in the user's order of the event that made it.
struct QueuedInput {
  std::variant<CommitAction, InjectedKey, ButtonEvent, RefusedEvents> input;
  std::uint32_t sequence = 0;
  WindowId target = 0;  // a commit: the window its word was typed in
};

// Whether sequence a comes before b, across the counter's wrap.
inline bool comes_before(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

// What the hooks hand to the host window, drained in the user's order. Its lock is never held
// together with the state's.
class CommitQueue {
 public:
  // Keeps the user's order: a replayed event decided late still goes before later ones.
  void push(QueuedInput input);
  std::deque<QueuedInput> take_all();
  // Takes from the front up to and including the first input that last holds for.
  std::deque<QueuedInput> take_through(const std::function<bool(const QueuedInput&)>& last);
  bool empty();
  std::optional<std::uint32_t> first_sequence();

 private:
  std::mutex mutex_;
  std::deque<QueuedInput> inputs_;
};

}  // namespace tarovik
