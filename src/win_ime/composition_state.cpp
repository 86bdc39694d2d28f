#include "win_ime/composition_state.h"

#include <algorithm>

#include "base/ascii.h"
#include "phonetic/prediction.h"
#include "phonetic/suggest.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

// Digits with dots or a version "v": the danda would break the number, so it is not a word end.
bool is_number_like(std::string_view roman) {
  return !roman.empty() && std::all_of(roman.begin(), roman.end(), [](char c) {
    return ascii::is_digit(ascii::byte(c)) || c == '.' || c == 'v' || c == 'V';
  });
}

bool is_www(std::string_view roman) {
  return roman.size() == 3 && std::all_of(roman.begin(), roman.end(), [](char c) { return c == 'w' || c == 'W'; });
}

void pop_last_character(std::string& text) {
  std::size_t cut = text.size() - 1;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.erase(cut);
}

}  // namespace

bool full_stop_joins(std::string_view roman) {
  const std::size_t at = roman.find('@');
  return is_www(roman) || is_number_like(roman) || is_web_address(roman) || (at != std::string_view::npos && at > 0);
}

bool has_ascii_letter(std::string_view roman) {
  return std::any_of(roman.begin(), roman.end(), [](char c) { return ascii::is_letter(ascii::byte(c)); });
}

std::uint64_t clamp_max_candidates(std::uint64_t value) { return std::clamp(value, kMinCandidates, kMaxCandidates); }

ImeState::ImeState(TransliterationEngine engine_in, ImeConfig config_in)
    : engine(std::move(engine_in)), config(std::move(config_in)) {
  config.max_candidates = clamp_max_candidates(config.max_candidates);
  enabled = config.start_enabled;
}

void ImeState::clear_composition() {
  overlong_word = false;
  rows_on_screen = false;
  roman.clear();
  candidates.clear();
  selected = 0;
  predictions_shown = false;
}

void ImeState::show_predictions(std::string_view word) {
  std::vector<Candidate> predictions = predict_next_words(engine, word);
  if (predictions.empty()) return;
  candidates = std::move(predictions);
  selected = 0;
  predictions_shown = true;
}

void ImeState::refresh_candidates() {
  if (roman.empty()) {
    candidates.clear();
    selected = 0;
    return;
  }
  SuggestOptions options;
  options.previous_word = previous_word;
  options.limit = clamp_max_candidates(config.max_candidates);
  // Smart writes Nepali digits too, but leaves dates and phone numbers as typed.
  options.devanagari_digits = config.numerals_mode != NumeralsMode::ascii;
  options.smart_numerals = config.numerals_mode == NumeralsMode::smart;
  candidates = suggest(engine, roman, options).candidates;
  selected = 0;
}

bool ImeState::composition_push_char(char32_t c) {
  if (roman.size() > kMaxRomanBytes - 1) return false;
  last_commit.reset();
  predictions_shown = false;
  utf8::append(roman, c);
  refresh_candidates();
  return true;
}

BackspaceResult ImeState::composition_backspace() {
  if (!roman.empty()) {
    pop_last_character(roman);
    refresh_candidates();
    return roman.empty() ? BackspaceResult::emptied : BackspaceResult::still_composing;
  }
  previous_word.reset();
  predictions_shown = false;
  candidates.clear();
  return BackspaceResult::nothing_composed;
}

void ImeState::cancel_composition() { clear_composition(); }

void ImeState::start_afresh() {
  clear_composition();
  previous_word.reset();
  last_commit.reset();
}

bool ImeState::toggle_enabled() {
  enabled = !enabled;
  start_afresh();
  return enabled;
}

std::optional<CommitAction> ImeState::commit_candidate(std::size_t index, std::string_view suffix) {
  if (index >= candidates.size()) return std::nullopt;
  CommitAction action;
  action.word = candidates[index].text;
  action.top1 = candidates.front().text;
  action.prev_word = previous_word;
  action.roman = roman;
  action.erase_count = utf8::length(roman);
  action.promoted = index != 0 && config.learn_promoted_words;
  action.text = action.word + std::string(suffix);
  // Learned now, in key order, so the next word's candidates never depend on typing speed.
  if (action.promoted) learn_promoted_word(engine, action.roman, action.word);

  previous_word = action.word;
  clear_composition();
  if (suffix == " " && !action.roman.empty()) {
    last_commit = LastCommit{action.word, std::string(suffix), action.roman};
    show_predictions(action.word);
  } else {
    last_commit.reset();
  }
  return action;
}

std::optional<CommitAction> ImeState::accept_prediction(std::size_t index) {
  if (!roman.empty() || !predictions_shown || index >= candidates.size()) return std::nullopt;
  const std::string word = candidates[index].text;
  previous_word = word;
  last_commit.reset();
  clear_composition();
  show_predictions(word);
  CommitAction action;
  action.text = word + " ";
  action.word = word;
  return action;
}

std::optional<CommitAction> ImeState::commit_selection(std::string_view suffix) {
  const bool danda = suffix == kDanda;
  const bool keep_typed = danda && (is_www(roman) || is_number_like(roman));
  if (!keep_typed && has_ascii_letter(roman)) {
    const std::size_t index = candidates.empty() ? 0 : std::min(selected, candidates.size() - 1);
    if (auto action = commit_candidate(index, suffix)) return action;
  }
  const bool danda_alone = danda && roman.empty() && previous_word.has_value();
  clear_composition();
  last_commit.reset();
  if (!danda_alone) return std::nullopt;
  CommitAction action;
  action.text = std::string(kDanda);
  return action;
}

std::optional<CommitAction> ImeState::undo_last_commit() {
  if (!roman.empty() || !last_commit) return std::nullopt;
  LastCommit undone = std::move(*last_commit);
  last_commit.reset();
  predictions_shown = false;
  roman = undone.roman;
  refresh_candidates();
  CommitAction action;
  action.text = undone.roman;
  action.roman = undone.roman;
  action.erase_count = utf8::length(undone.word) + utf8::length(undone.suffix);
  return action;
}

bool popup_shows_rows(const ImeState& state) {
  return state.enabled && state.config.show_candidate_popup && (!state.roman.empty() || state.predictions_shown) &&
         !state.candidates.empty();
}

void CommitQueue::push(QueuedInput input) {
  std::lock_guard lock(mutex_);
  auto at = inputs_.end();
  while (at != inputs_.begin() && comes_before(input.sequence, std::prev(at)->sequence)) --at;
  inputs_.insert(at, std::move(input));
}

std::deque<QueuedInput> CommitQueue::take_all() {
  std::lock_guard lock(mutex_);
  return std::exchange(inputs_, {});
}

std::deque<QueuedInput> CommitQueue::take_through(const std::function<bool(const QueuedInput&)>& last) {
  std::lock_guard lock(mutex_);
  auto end = std::find_if(inputs_.begin(), inputs_.end(), last);
  if (end != inputs_.end()) ++end;
  std::deque<QueuedInput> taken(std::make_move_iterator(inputs_.begin()), std::make_move_iterator(end));
  inputs_.erase(inputs_.begin(), end);
  return taken;
}

bool CommitQueue::empty() {
  std::lock_guard lock(mutex_);
  return inputs_.empty();
}

std::optional<std::uint32_t> CommitQueue::first_sequence() {
  std::lock_guard lock(mutex_);
  if (inputs_.empty()) return std::nullopt;
  return inputs_.front().sequence;
}

}  // namespace tarovik
