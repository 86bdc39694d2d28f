#pragma once

#include <windows.h>

#include <atomic>

#include "win_ime/composition_state.h"
#include "win_ime/keyboard_hook.h"

namespace tarovik {

// Once-set cells shared by the host's threads. HOST_WINDOW and the commit queue are set by
// main before any other thread starts; the state by the warm-up thread, once, and kept for
// the life of the process.
extern std::atomic<HWND> HOST_WINDOW;
extern std::atomic<CommitQueue*> COMMIT_QUEUE;
extern std::atomic<SharedState*> GLOBAL_STATE;

void post_to_host(std::uint32_t message, WPARAM wparam);

// Queues a commit or a held-back key for the host window's drain and tells the host window.
void queue_commit_action(QueuedInput input);

// The low-level keyboard hook procedure.
LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM message, LPARAM event);

// The character the key would type in the foreground application, if exactly one. Shift and
// Caps Lock come from the hook, which knows the keys it held back.
std::optional<char32_t> translate_key_to_char(UINT vk, UINT scan, bool shift, bool caps_lock_flipped);

// Dispatches this thread's messages until WM_QUIT (or an error) ends the loop.
void run_message_loop();

// Sends the events, marked, in one SendInput call, and counts them as in flight.
void send_injected_keys(const std::vector<InjectedKey>& keys);

}  // namespace tarovik
