#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "win_ime/composition_state.h"
#include "win_ime/key_injection.h"

namespace tarovik {

// What a commit does outside the state: the Windows side sends the events in one SendInput
// call, names the corrections log, hides the popup and names the window in front; tests
// record them.
struct CommitOutput {
  std::function<void(const std::vector<InjectedInput>&)> send;
  std::function<std::filesystem::path()> log_path;
  std::function<void()> hide_popup;
  std::function<WindowId()> foreground;
};

// Takes everything queued and sends it in order in one go (each commit's backspaces and text,
// each held-back key or button as its replay), then logs the commits. A commit whose window is
// no longer in front types nothing: its word belongs to the other window, so the composition
// starts afresh instead. The popup is hidden first when a commit is among them; replays alone
// leave it as it is. The state's lock is never held while sending.
void drain_commit_queue(SharedState& shared, CommitQueue& queue, const CommitOutput& out);

// A click on popup row index: accepts that prediction while predictions are shown, else
// commits that candidate with one space, and types it at once. Gives the popup flag for the
// refresh that follows, or nothing when the click committed nothing.
std::optional<bool> commit_clicked_candidate(SharedState& shared, std::size_t index, const CommitOutput& out);

}  // namespace tarovik
