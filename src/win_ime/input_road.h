#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "win_ime/commit_drain.h"
#include "win_ime/composition_state.h"
#include "win_ime/keyboard_hook.h"

namespace tarovik {

// The order of the user's input against the program's own. Keys and clicks that reach the
// system while the program's own events are still queued or on their way would be seen by the
// application first: a commit's backspaces would then erase them instead of the roman text, or
// its word would land in the window a click moved to. So while anything is pending, each event
// of the user's is held back and replayed in order, and decided only when its replay comes back
// through the hook, against the window then in front. Marked events the hooks have not seen
// yet are in flight. Replays are injected input: Win+L and programs that ignore injected input
// do not see them as typed.
class InputOrder {
 public:
  struct Admission {
    bool own = false;          // the program's own typing: let through undecided
    bool hold = false;         // must wait behind earlier input
    std::uint32_t sequence = 0;
    bool settled = false;      // the last event in flight has just come back
  };

  // For every key or button event a hook sees; first_queued is the queue's first place in the
  // user's order, if anything is queued.
  Admission admit(std::uint64_t extra_info, std::optional<std::uint32_t> first_queued, std::uint64_t now_ms);
  // Called before SendInput with the number of events, and after it with the number it refused:
  // the hooks may see the events while SendInput is still running.
  void injecting(std::size_t events, std::uint64_t now_ms);
  void refused(std::size_t events);
  // Nothing sent is still on its way: the next send cannot overtake a replay not yet decided.
  bool settled(std::uint64_t now_ms);

 private:
  // Events that never come back (refused by the target) must not hold input forever.
  static constexpr std::uint64_t kLostAfterMs = 500;
  void forget_lost(std::uint64_t now_ms);

  std::size_t in_flight_ = 0;
  std::uint64_t last_progress_ms_ = 0;
  std::uint32_t next_sequence_ = 0;
};

// What a hook asks the platform, only when it needs to.
struct KeyPlatform {
  std::function<Modifiers()> modifiers;
  std::function<WindowId()> foreground;
  std::function<std::optional<char32_t>()> translate;
  std::uint64_t now_ms = 0;
};

struct ButtonPlatform {
  std::function<OwnWindowHit()> own_window;
  std::function<WindowId()> foreground;
  std::function<WindowId()> window_at;  // the top-level window under the pointer
  std::uint64_t now_ms = 0;
};

// The road of the user's input through both low-level hooks to the commit queue and the drain,
// on the host window thread. The Win32 hook procedures only gather the platform's answers and
// carry out whether to swallow; posts go to the host window.
class InputRoad {
 public:
  explicit InputRoad(std::function<void(HostPost)> post) : post_(std::move(post)) {}

  // true: swallow the event.
  bool on_key(SharedState* shared, const KeyEvent& event, const KeyPlatform& platform);
  bool on_button(SharedState* shared, const ButtonEvent& event, const ButtonPlatform& platform);
  // Drains the queue unless events sent before are still on their way; false: try again later.
  bool drain(SharedState& shared, const CommitOutput& out, std::uint64_t now_ms);
  // The hooks are gone: everything still held goes out now, in order, since nothing is left to
  // decide it.
  void release(SharedState& shared, const CommitOutput& out);

  CommitQueue& queue() { return queue_; }
  InputOrder& order() { return order_; }

 private:
  // A click brings its window to the front once the application has read it; this long at
  // the most, for windows that never come to the front.
  static constexpr std::uint64_t kFocusWaitMs = 250;
  struct FocusWait {
    WindowId window = 0;
    std::uint64_t since_ms = 0;
  };

  // A system that refuses our input this long takes none (a window of higher integrity is in
  // front, say): holding the user's input any longer would only stop the keyboard and mouse.
  static constexpr std::uint64_t kRefusedForMs = 500;

  InputOrder::Admission admit(std::uint64_t extra_info, const std::function<WindowId()>& foreground,
                              std::uint64_t now_ms);
  bool focus_moving(const std::function<WindowId()>& foreground, std::uint64_t now_ms);
  void await_focus(const ButtonPlatform& platform, WindowId foreground);
  bool carry_out(const HookDecision& decision, const InputOrder::Admission& admission, WindowId target);
  OwnWindowHit aimed_at(const InputOrder::Admission& admission, const ButtonPlatform& platform);
  void give_up(SharedState& shared, const CommitOutput& out);

  std::function<void(HostPost)> post_;
  std::optional<std::uint64_t> refused_since_ms_;
  CommitQueue queue_;
  InputOrder order_;
  std::uint16_t swallowed_toggle_key_ = 0;
  std::optional<MouseButton> swallowed_press_;
  // What each held press was aimed at, by its place in the user's order, until it is decided.
  std::map<std::uint32_t, OwnWindowHit> held_hits_;
  std::optional<FocusWait> focus_wait_;
};

}  // namespace tarovik
