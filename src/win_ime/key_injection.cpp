#include "win_ime/key_injection.h"

#include <algorithm>

#include "base/utf8.h"

namespace tarovik {

std::vector<InjectedKey> build_injected_keys(std::size_t erase_count, std::string_view text) {
  const std::u16string units = utf8::to_utf16(text);
  std::vector<InjectedKey> keys;
  keys.reserve(2 * (erase_count + units.size()));
  for (std::size_t i = 0; i < erase_count; ++i) {
    keys.push_back({vk::back, 0, false, false});
    keys.push_back({vk::back, 0, false, true});
  }
  for (char16_t unit : units) {
    const bool enter = unit == u'\r';
    const auto key = static_cast<std::uint16_t>(enter ? vk::enter : 0);
    const std::uint16_t scan = enter ? kEnterScan : unit;
    keys.push_back({key, scan, !enter, false});
    keys.push_back({key, scan, !enter, true});
  }
  return keys;
}

std::int32_t absolute_mouse_coordinate(std::int32_t pixel, std::int32_t origin, std::int32_t span) {
  if (span <= 0) return 0;
  const std::int64_t offset = static_cast<std::int64_t>(pixel) - origin;
  const std::int64_t scaled = (offset * 65536 + span / 2) / span;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, 0, 65535));
}

}  // namespace tarovik
