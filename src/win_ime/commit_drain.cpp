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

// The word's window went to the back before its commit was typed: forget the word there.
void abandon_word(SharedState& shared) {
  std::lock_guard lock(shared.mutex);
  shared.state.start_afresh();
}

// The events of one send, each with the place in the user's order of the input it came from,
// so a refused tail can be queued again in its place.
struct Batch {
  std::vector<InjectedInput> events;
  std::vector<std::uint32_t> origins;

  template <class Event>
  void add(const Event& event, std::uint32_t origin) {
    events.push_back(event);
    origins.push_back(origin);
  }
};

// A held-back key or button goes out marked with its place in the user's order.
template <class Replay>
void append_replay(Batch& batch, const QueuedInput& queued) {
  if (const auto* replay = std::get_if<Replay>(&queued.input)) {
    Replay marked = *replay;
    marked.extra_info = replay_extra_info(queued.sequence);
    batch.add(marked, queued.sequence);
  }
}

// Adds one queued input's events; gives the commit when it is to be typed.
const CommitAction* append_input(Batch& batch, const QueuedInput& queued, SharedState& shared,
                                 const CommitOutput& out) {
  if (const auto* refused = std::get_if<RefusedEvents>(&queued.input)) {
    for (const InjectedInput& event : refused->events) batch.add(event, queued.sequence);
  }
  append_replay<InjectedKey>(batch, queued);
  append_replay<ButtonEvent>(batch, queued);
  const auto* action = std::get_if<CommitAction>(&queued.input);
  if (action == nullptr) return nullptr;
  if (out.foreground && out.foreground() != queued.target) {
    abandon_word(shared);
    return nullptr;
  }
  for (const InjectedKey& key : build_injected_keys(action->erase_count, action->text)) batch.add(key, queued.sequence);
  return action;
}

bool is_letter_or_modifier(std::uint32_t key) {
  return (key >= 'A' && key <= 'Z') || (key >= vk::shift && key <= vk::menu) || key == vk::capital ||
         key == vk::lwin || key == vk::rwin || (key >= vk::lshift && key <= vk::rmenu);
}

// A held key or press whose decision may queue a commit or bring another window to the front.
// What is held after it is sent only once it has been decided: sent with it, it would come back
// behind the commit and be held, and sent, again, as often as there are words in the batch.
bool may_commit_or_move_focus(const QueuedInput& queued) {
  if (const auto* key = std::get_if<InjectedKey>(&queued.input)) {
    return !key->key_up && (key->unicode || !is_letter_or_modifier(key->vk));
  }
  if (const auto* button = std::get_if<ButtonEvent>(&queued.input)) return !button->up && !is_wheel(button->button);
  return false;
}

// What the system did not take goes back to the front, to be sent before anything queued since.
void requeue_refused(CommitQueue& queue, const Batch& batch, std::size_t sent) {
  RefusedEvents refused;
  refused.events.assign(batch.events.begin() + static_cast<std::ptrdiff_t>(sent), batch.events.end());
  queue.push({std::move(refused), batch.origins[sent]});
}

}  // namespace

DrainResult drain_commit_queue(SharedState& shared, CommitQueue& queue, const CommitOutput& out) {
  bool log = false;
  {
    std::lock_guard lock(shared.mutex);
    log = shared.state.config.dev_correction_log;
  }
  // One send for everything taken: what is typed meanwhile then waits behind all of it.
  const std::deque<QueuedInput> inputs = queue.take_through(may_commit_or_move_focus);
  Batch batch;
  std::vector<const CommitAction*> typed;
  bool commits = false;
  for (const QueuedInput& input : inputs) {
    commits = commits || std::holds_alternative<CommitAction>(input.input);
    if (const CommitAction* action = append_input(batch, input, shared, out)) typed.push_back(action);
  }
  if (commits) out.refresh_popup();
  DrainResult result;
  if (!batch.events.empty()) result.sent = std::min(out.send(batch.events), batch.events.size());
  result.refused = batch.events.size() - result.sent;
  if (result.refused > 0) requeue_refused(queue, batch, result.sent);
  for (const CommitAction* action : typed) log_pick(*action, log, out);
  return result;
}

}  // namespace tarovik
