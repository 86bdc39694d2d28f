#include "win_ime/input_road.h"

#include <algorithm>

namespace tarovik {

InputOrder::Admission InputOrder::admit(std::uint64_t extra_info, std::optional<std::uint32_t> first_queued,
                                        std::uint64_t now_ms) {
  Admission admission;
  const std::optional<std::uint32_t> replayed = replayed_sequence(extra_info);
  if (extra_info == INJECTED_MARKER || replayed) {
    const bool was_in_flight = in_flight_ > 0;
    if (was_in_flight) --in_flight_;
    last_progress_ms_ = now_ms;
    admission.settled = was_in_flight && in_flight_ == 0;
    admission.own = !replayed;
    // A replay waits only for what was decided before it, not for the keys typed after it.
    admission.sequence = replayed.value_or(0);
    admission.hold = replayed && first_queued && comes_before(*first_queued, *replayed);
    return admission;
  }
  forget_lost(now_ms);
  admission.sequence = ++next_sequence_;
  admission.hold = first_queued.has_value() || in_flight_ > 0;
  return admission;
}

void InputOrder::injecting(std::size_t events, std::uint64_t now_ms) {
  // Loss is measured from the last progress: sends stacked on lost events must not renew it.
  if (in_flight_ == 0) last_progress_ms_ = now_ms;
  in_flight_ += events;
}

void InputOrder::refused(std::size_t events) { in_flight_ -= std::min(events, in_flight_); }

bool InputOrder::settled(std::uint64_t now_ms) {
  forget_lost(now_ms);
  return in_flight_ == 0;
}

void InputOrder::forget_lost(std::uint64_t now_ms) {
  if (in_flight_ > 0 && now_ms - last_progress_ms_ > kLostAfterMs) in_flight_ = 0;
}

namespace {

bool is_release(const InjectedInput& event) {
  if (const auto* key = std::get_if<InjectedKey>(&event)) return key->key_up;
  return std::get<ButtonEvent>(event).up;
}

std::uint64_t extra_info_of(const InjectedInput& event) {
  return std::visit([](const auto& one) { return one.extra_info; }, event);
}

InjectedInput as_own(InjectedInput event) {
  std::visit([](auto& one) { one.extra_info = INJECTED_MARKER; }, event);
  return event;
}

// The held releases of keys and buttons among one queued input, as the program's own events;
// a refused batch also holds a commit's own keys, which are not the user's.
void add_releases(std::vector<InjectedInput>& releases, const QueuedInput& input) {
  if (const auto* refused = std::get_if<RefusedEvents>(&input.input)) {
    for (const InjectedInput& event : refused->events) {
      if (replayed_sequence(extra_info_of(event)) && is_release(event)) releases.push_back(as_own(event));
    }
    return;
  }
  if (const auto* key = std::get_if<InjectedKey>(&input.input); key && key->key_up) releases.push_back(as_own(*key));
  if (const auto* button = std::get_if<ButtonEvent>(&input.input); button && button->up) {
    releases.push_back(as_own(*button));
  }
}

}  // namespace

InputOrder::Admission InputRoad::admit(std::uint64_t extra_info, const std::function<WindowId()>& foreground,
                                       std::uint64_t now_ms) {
  InputOrder::Admission admission = order_.admit(extra_info, queue_.first_sequence(), now_ms);
  if (!admission.own && !admission.hold) admission.hold = focus_moving(foreground, now_ms);
  return admission;
}

// Whether a clicked window is still to come to the front; the window in front is asked only then.
bool InputRoad::focus_moving(const std::function<WindowId()>& foreground, std::uint64_t now_ms) {
  if (!focus_wait_) return false;
  if (now_ms - focus_wait_->since_ms > kFocusWaitMs || (foreground && foreground() == focus_wait_->window)) {
    focus_wait_.reset();
  }
  return focus_wait_.has_value();
}

bool InputRoad::on_key(SharedState* shared, const KeyEvent& event, const KeyPlatform& platform) {
  if (event.message == KeyMessage::other) return false;
  const InputOrder::Admission admission = admit(event.extra_info, platform.foreground, platform.now_ms);
  HookInputs inputs{event, {}, 0, platform.translate, admission.hold};
  const bool decided = !admission.own && !admission.hold;
  if (decided && (event.message == KeyMessage::key_down || event.message == KeyMessage::sys_key_down)) {
    inputs.modifiers = platform.modifiers();
  }
  if (decided) inputs.foreground = platform.foreground();
  const HookDecision decision = decide_key(shared, swallowed_toggle_key_, inputs);
  return carry_out(decision, admission, inputs.foreground);
}

bool InputRoad::on_button(SharedState* shared, const ButtonEvent& event, const ButtonPlatform& platform) {
  const InputOrder::Admission admission = admit(event.extra_info, platform.foreground, platform.now_ms);
  ButtonInputs inputs{event, {}, admission.hold};
  const bool press = !admission.own && !event.up && !is_wheel(event.button);
  if (press) inputs.hit = aimed_at(admission, platform);
  // A row's word goes to the window in front: the popup never takes the focus.
  if (press && !admission.hold) inputs.foreground = platform.foreground();
  const HookDecision decision = decide_button(shared, swallowed_press_, inputs);
  if (press && !admission.hold && !decision.swallow && !inputs.hit.own) await_focus(platform, inputs.foreground);
  return carry_out(decision, admission, inputs.foreground);
}

// The application brings the window it was clicked in to the front only once it has read the
// press, and the hooks may see the keys after it before that: they wait for it.
void InputRoad::await_focus(const ButtonPlatform& platform, WindowId foreground) {
  const WindowId clicked = platform.window_at ? platform.window_at() : 0;
  if (clicked != 0 && clicked != foreground) focus_wait_ = FocusWait{clicked, platform.now_ms};
}

// Asked when the press is made, also when it is held: by its replay the popup may show other
// rows, or none, at that point.
OwnWindowHit InputRoad::aimed_at(const InputOrder::Admission& admission, const ButtonPlatform& platform) {
  OwnWindowHit now = platform.own_window();
  if (admission.hold) {
    held_hits_.try_emplace(admission.sequence, now);
    return now;
  }
  const auto held = held_hits_.find(admission.sequence);
  if (held == held_hits_.end()) return now;
  OwnWindowHit then = std::move(held->second);
  held_hits_.erase(held);
  then.changed = then.own != now.own;
  return then;
}

// The state's lock is released here: only now queue and post.
bool InputRoad::carry_out(const HookDecision& decision, const InputOrder::Admission& admission, WindowId target) {
  const bool queued = decision.replay || decision.action;
  if (decision.replay) {
    std::visit([&](const auto& replay) { queue_.push({replay, admission.sequence}); }, *decision.replay);
  }
  if (decision.action) queue_.push({*decision.action, admission.sequence, target});
  if (queued || (admission.settled && !queue_.empty())) post_({WM_APP_COMMIT_READY, 0});
  if (decision.post) post_(*decision.post);
  return decision.swallow;
}

bool InputRoad::drain(SharedState& shared, const CommitOutput& out, std::uint64_t now_ms) {
  if (!order_.settled(now_ms) || focus_moving(out.foreground, now_ms)) return false;
  const DrainResult result = drain_commit_queue(shared, queue_, out);
  if (result.refused == 0 || result.sent > 0) refused_since_ms_.reset();
  // Held input after a key that may commit goes once that key is back; should it never come
  // back, the timer still sends the rest.
  if (result.refused == 0) return queue_.empty();
  if (!refused_since_ms_) refused_since_ms_ = now_ms;
  if (now_ms - *refused_since_ms_ < kRefusedForMs) return false;
  give_up(shared, out);
  return true;
}

void InputRoad::give_up(SharedState& shared, const CommitOutput& out) {
  // The releases go out on their own, once, so that no key or button stays down.
  std::vector<InjectedInput> releases;
  for (const QueuedInput& input : queue_.take_all()) add_releases(releases, input);
  if (!releases.empty()) out.send(releases);
  held_hits_.clear();
  refused_since_ms_.reset();
  {
    // A commit may be typed in part: the text no longer ends in the word or its roman letters.
    std::lock_guard lock(shared.mutex);
    shared.state.start_afresh();
  }
  out.refresh_popup();
}

void InputRoad::release(SharedState& shared, const CommitOutput& out) { drain_commit_queue(shared, queue_, out); }

}  // namespace tarovik
