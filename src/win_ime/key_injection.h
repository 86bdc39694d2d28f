#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarovik {

// One injected keyboard event: a backspace, a UTF-16 unit typed as a Unicode key, or a key of
// the user's that the hook held back and replays.
struct InjectedKey {
  std::uint16_t vk = 0;
  std::uint16_t scan = 0;
  bool unicode = false;
  bool key_up = false;
  bool extended = false;
  friend bool operator==(const InjectedKey&, const InjectedKey&) = default;
};

// erase_count backspace pairs, then a down/up pair for each UTF-16 unit of text.
std::vector<InjectedKey> build_injected_keys(std::size_t erase_count, std::string_view text);

}  // namespace tarovik
