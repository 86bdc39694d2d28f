#pragma once

#include <cstdint>

namespace tarovik {

// The messages other parts of the program post to the host window (WM_APP + n). Every other
// thread reaches the host window thread only through these.
inline constexpr std::uint32_t WM_APP_TRAY_CALLBACK = 0x8001;
inline constexpr std::uint32_t WM_APP_POPUP_REFRESH = 0x800A;
inline constexpr std::uint32_t WM_APP_COMMIT_READY = 0x800B;
inline constexpr std::uint32_t WM_APP_ENABLED_CHANGED = 0x800C;
inline constexpr std::uint32_t WM_APP_CONFIG_CHANGED = 0x800D;
inline constexpr std::uint32_t WM_APP_OPEN_STUDIO = 0x800E;
inline constexpr std::uint32_t WM_APP_OPEN_PREFERENCES = 0x800F;
inline constexpr std::uint32_t WM_APP_SHOW_MENU = 0x8010;
inline constexpr std::uint32_t WM_APP_PILL_MOVED = 0x8011;
inline constexpr std::uint32_t WM_APP_PILL_TOGGLE = 0x8012;
inline constexpr std::uint32_t WM_APP_INSTALL_HOOK = 0x8013;

// One posted message as the portable code asks for it; lParam is always 0.
struct HostPost {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  friend bool operator==(const HostPost&, const HostPost&) = default;
};

}  // namespace tarovik
