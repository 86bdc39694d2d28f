#include "win_ime/commit_drain.h"

#include <mutex>
#include <variant>

#include "win_ime/corrections_log.h"

namespace tarovik {

namespace {

// Only promoted picks are logged; they were learned when the commit was decided.
void log_pick(const CommitAction& action, bool log, const CommitOutput& out) {
  if (!action.promoted) return;
  append_correction_record(log, out.log_path(), action.roman, action.top1, action.word, action.prev_word);
}

void append_keys(std::vector<InjectedInput>& events, const std::vector<InjectedKey>& keys) {
  events.insert(events.end(), keys.begin(), keys.end());
}

// The word's window went to the back before its commit was typed: forget the word there.
void abandon_word(SharedState& shared) {
  std::lock_guard lock(shared.mutex);
  shared.state.start_afresh();
  shared.state.rows_on_screen = false;
}

// A held-back key or button goes out marked with its place in the user's order.
template <class Replay>
void append_replay(std::vector<InjectedInput>& events, const QueuedInput& queued) {
  if (const auto* replay = std::get_if<Replay>(&queued.input)) {
    Replay marked = *replay;
    marked.extra_info = replay_extra_info(queued.sequence);
    events.push_back(marked);
  }
}

// Adds one queued input's events; gives the commit when it is to be typed.
const CommitAction* append_input(std::vector<InjectedInput>& events, const QueuedInput& queued, SharedState& shared,
                                 const CommitOutput& out) {
  append_replay<InjectedKey>(events, queued);
  append_replay<ButtonEvent>(events, queued);
  const auto* action = std::get_if<CommitAction>(&queued.input);
  if (action == nullptr) return nullptr;
  if (out.foreground && out.foreground() != queued.target) {
    abandon_word(shared);
    return nullptr;
  }
  append_keys(events, build_injected_keys(action->erase_count, action->text));
  return action;
}

}  // namespace

void drain_commit_queue(SharedState& shared, CommitQueue& queue, const CommitOutput& out) {
  bool log = false;
  {
    std::lock_guard lock(shared.mutex);
    log = shared.state.config.dev_correction_log;
  }
  // One send for everything taken: what is typed meanwhile then waits behind all of it.
  const std::deque<QueuedInput> inputs = queue.take_all();
  std::vector<InjectedInput> events;
  std::vector<const CommitAction*> typed;
  bool hidden = false;
  for (const QueuedInput& input : inputs) {
    if (std::holds_alternative<CommitAction>(input.input) && !std::exchange(hidden, true)) out.hide_popup();
    if (const CommitAction* action = append_input(events, input, shared, out)) typed.push_back(action);
  }
  if (!events.empty()) out.send(events);
  for (const CommitAction* action : typed) log_pick(*action, log, out);
}

std::optional<bool> commit_clicked_candidate(SharedState& shared, std::size_t index, const CommitOutput& out) {
  std::optional<CommitAction> action;
  bool log = false;
  bool popup_flag = false;
  {
    std::lock_guard lock(shared.mutex);
    ImeState& state = shared.state;
    log = state.config.dev_correction_log;
    action = state.roman.empty() && state.predictions_shown ? state.accept_prediction(index)
                                                            : state.commit_candidate(index, " ");
    if (!action) return std::nullopt;
    popup_flag = state.predictions_shown && state.config.show_candidate_popup;
    state.rows_on_screen = popup_flag;
  }
  std::vector<InjectedInput> events;
  append_keys(events, build_injected_keys(action->erase_count, action->text));
  out.send(events);
  log_pick(*action, log, out);
  return popup_flag;
}

}  // namespace tarovik
