#pragma once

#include <cstdint>
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

inline constexpr double kStudioMinimumSize = 480;

}  // namespace tarovik
