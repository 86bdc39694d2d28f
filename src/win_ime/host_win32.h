#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "win_ime/composition_state.h"
#include "win_ime/input_road.h"
#include "win_ime/key_injection.h"

namespace tarovik {

// Once-set cells shared by the host's threads. HOST_WINDOW is set by main before any other
// thread starts; the state by the warm-up thread, once, and kept for the life of the process.
extern std::atomic<HWND> HOST_WINDOW;
extern std::atomic<SharedState*> GLOBAL_STATE;

void post_to_host(std::uint32_t message, WPARAM wparam);

// The road of the user's input and the commit queue; host window thread only.
InputRoad& input_road();

// The low-level keyboard and mouse hook procedures.
LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM message, LPARAM event);
LRESULT CALLBACK mouse_hook_proc(int code, WPARAM message, LPARAM event);

// The character the key would type in the foreground application, if exactly one. Ctrl and
// Alt never shape it.
std::optional<char32_t> translate_key_to_char(UINT vk, UINT scan);

// Dispatches this thread's messages until WM_QUIT (or an error) ends the loop.
void run_message_loop();

// Sends the events in one SendInput call and counts them as in flight; gives how many the
// system took.
std::size_t send_injected(const std::vector<InjectedInput>& events);

}  // namespace tarovik
