#include "win_studio/studio_window.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "base/utf8.h"

namespace tarovik {

namespace {

// An optional "+" and then digits only, within 32 bits.
std::optional<double> read_size(std::u16string_view text) {
  if (!text.empty() && text.front() == u'+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    if (value > 4294967295u) return std::nullopt;
  }
  return static_cast<double>(value);
}

}  // namespace

StudioWindowArgs parse_studio_window_args(const std::vector<std::u16string>& args) {
  StudioWindowArgs out;
  const auto flag = std::find(args.begin(), args.end(), u"--studio-window");
  if (flag == args.end()) return out;
  const auto rest = static_cast<std::size_t>(args.end() - flag - 1);
  const auto at = [&](std::size_t i) { return *(flag + 1 + static_cast<std::ptrdiff_t>(i)); };
  if (rest > 0) out.address = at(0);
  if (rest > 1) out.title = at(1);
  if (rest > 2) out.width = read_size(at(2)).value_or(out.width);
  if (rest > 3) out.height = read_size(at(3)).value_or(out.height);
  return out;
}

PixelSize logical_to_physical(double width, double height, std::uint32_t dpi) {
  const double scale = (dpi == 0 ? 96.0 : static_cast<double>(dpi)) / 96.0;
  const auto side = [&](double logical) {
    const double pixels = std::round(logical * scale);
    if (!(pixels >= 1)) return std::int32_t{1};  // also NaN
    return static_cast<std::int32_t>(std::min(pixels, static_cast<double>(kStudioMaximumPixels)));
  };
  return {side(width), side(height)};
}

std::u16string studio_address(std::uint16_t port, std::u16string_view path) {
  std::u16string address = u"http://127.0.0.1:";
  for (char c : std::to_string(port)) address.push_back(static_cast<char16_t>(c));
  address.append(path);
  return address;
}

std::u16string quote_windows_argument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string_view::npos) {
    return std::u16string(argument);
  }
  // Backslashes count only before a quote: double them there and before the closing quote.
  std::u16string quoted = u"\"";
  std::size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      quoted.append(2 * backslashes + 1, u'\\');
    } else {
      quoted.append(backslashes, u'\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

StudioLaunch plan_studio_launch(std::uint16_t port, std::u16string_view path, std::u16string_view title,
                                std::uint16_t width, std::uint16_t height,
                                const std::optional<std::u16string>& executable) {
  StudioLaunch launch{studio_address(port, path), std::nullopt};
  if (!executable) return launch;
  const auto decimal = [](std::uint16_t n) { return utf8::to_utf16(std::to_string(n)); };
  std::u16string line = quote_windows_argument(*executable);
  for (const std::u16string& arg :
       {std::u16string(u"--studio-window"), launch.address, std::u16string(title), decimal(width), decimal(height)}) {
    line.push_back(u' ');
    line.append(quote_windows_argument(arg));
  }
  launch.command_line = std::move(line);
  return launch;
}

}  // namespace tarovik
