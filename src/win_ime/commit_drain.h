#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

#include "win_ime/composition_state.h"
#include "win_ime/key_injection.h"

namespace tarovik {

// What a commit does outside the state: the Windows side sends the events in one SendInput
// call, names the corrections log, shows the popup as the state now says and names the window
// in front; tests record them.
struct CommitOutput {
  // Gives how many of the events, from the first, the system took.
  std::function<std::size_t(const std::vector<InjectedInput>&)> send;
  std::function<std::filesystem::path()> log_path;
  std::function<void()> refresh_popup;
  std::function<WindowId()> foreground;
};

struct DrainResult {
  std::size_t sent = 0;
  std::size_t refused = 0;
};

// Takes what is queued and sends it in order in one go (each commit's backspaces and text,
// each held-back key or button as its replay), up to the first held key or press that may
// make a commit, then logs the commits. A commit whose window is
// no longer in front types nothing: its word belongs to the other window, so the composition
// starts afresh instead. Events the system refuses go back to the front of the queue, for the
// next drain. When a commit is among them the popup is refreshed from the state, so that it
// shows exactly the rows keys act on; replays alone leave it as it is. The state's lock is
// never held while sending.
DrainResult drain_commit_queue(SharedState& shared, CommitQueue& queue, const CommitOutput& out);

}  // namespace tarovik
