#include "win_ime/commit_drain.h"

#include <mutex>
#include <variant>

#include "phonetic/prediction.h"
#include "win_ime/corrections_log.h"

namespace tarovik {

namespace {

// Only promoted picks are learned (when asked) and logged.
void follow_up(SharedState& shared, const CommitAction& action, bool learn, bool log, const CommitOutput& out) {
  if (!action.promoted) return;
  if (learn) {
    std::lock_guard lock(shared.mutex);
    learn_promoted_word(shared.state.engine, action.roman, action.word);
  }
  append_correction_record(log, out.log_path(), action.roman, action.top1, action.word, action.prev_word);
}

}  // namespace

void drain_commit_queue(SharedState& shared, CommitQueue& queue, const CommitOutput& out) {
  bool learn = false;
  bool log = false;
  {
    std::lock_guard lock(shared.mutex);
    learn = shared.state.config.learn_promoted_words;
    log = shared.state.config.dev_correction_log;
  }
  // One send for everything taken: keys typed while it is under way are then held back behind
  // all of it, not only behind the part already sent.
  const std::deque<QueuedInput> inputs = queue.take_all();
  std::vector<InjectedKey> keys;
  bool hidden = false;
  for (const QueuedInput& input : inputs) {
    if (const auto* action = std::get_if<CommitAction>(&input)) {
      if (!std::exchange(hidden, true)) out.hide_popup();
      const std::vector<InjectedKey> typed = build_injected_keys(action->erase_count, action->text);
      keys.insert(keys.end(), typed.begin(), typed.end());
    } else {
      keys.push_back(std::get<InjectedKey>(input));
    }
  }
  if (!keys.empty()) out.send(keys);
  for (const QueuedInput& input : inputs) {
    if (const auto* action = std::get_if<CommitAction>(&input)) follow_up(shared, *action, learn, log, out);
  }
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
  }
  out.send(build_injected_keys(action->erase_count, action->text));
  // A promoted pick was made with learning on; an accepted prediction has no roman to learn.
  follow_up(shared, *action, !action->roman.empty(), log, out);
  return popup_flag;
}

}  // namespace tarovik
