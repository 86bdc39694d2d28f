#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarovik {

// The Studio window process's arguments after "--studio-window", with their defaults.
struct StudioWindowArgs {
  std::u16string address = u"http://127.0.0.1/";
  std::u16string title = u"Tarovik";
  double width = 1220;
  double height = 820;
};
StudioWindowArgs parse_studio_window_args(const std::vector<std::u16string>& args);

// "http://127.0.0.1:" + port + path.
std::u16string studio_address(std::uint16_t port, std::u16string_view path);

// One argument quoted so that the Windows command-line rules give it back unchanged.
std::u16string quote_windows_argument(std::u16string_view argument);

// Opening a page that has no window yet: its address, and the command line of the Studio
// window process when the executable is known. Without a command line, or when the process
// does not start, the address goes to the default browser.
struct StudioLaunch {
  std::u16string address;
  std::optional<std::u16string> command_line;
};
StudioLaunch plan_studio_launch(std::uint16_t port, std::u16string_view path, std::u16string_view title,
                                std::uint16_t width, std::uint16_t height,
                                const std::optional<std::u16string>& executable);

inline constexpr double kStudioMinimumSize = 480;

// A logical size (device-independent pixels) in physical pixels on a monitor of that DPI
// (96 is 100 %), rounded. A DPI of 0 (not known) counts as 96; each side is kept between 1 and
// kStudioMaximumPixels, since a 32-bit size argument times the scale does not fit a window.
struct PixelSize {
  std::int32_t width;
  std::int32_t height;
};
inline constexpr std::int32_t kStudioMaximumPixels = 32767;
PixelSize logical_to_physical(double width, double height, std::uint32_t dpi);

}  // namespace tarovik
