#pragma once

#include <windows.h>

namespace tarovik {

inline constexpr wchar_t kPillClass[] = L"TarovikStatusPill";

// What the pill shows; set by the indicator refresh.
struct PillViewState {
  float scale = 1.0F;
  bool enabled = true;
  bool dark = false;
};
PillViewState& pill_view_state();

// The host window the pill posts its clicks, drags and right clicks to.
void set_pill_owner_window(HWND owner);

HWND create_status_pill(HINSTANCE instance);

}  // namespace tarovik
