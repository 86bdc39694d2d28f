#include "win_studio/studio_assets.h"

#include <cstddef>

extern "C" {
extern const char tarovik_brand_logo_begin[], tarovik_brand_logo_end[];
extern const char tarovik_preferences_page_begin[], tarovik_preferences_page_end[];
}

namespace tarovik {

std::string_view brand_logo_png() {
  return {tarovik_brand_logo_begin, static_cast<std::size_t>(tarovik_brand_logo_end - tarovik_brand_logo_begin)};
}

std::string_view preferences_page_html() {
  return {tarovik_preferences_page_begin,
          static_cast<std::size_t>(tarovik_preferences_page_end - tarovik_preferences_page_begin)};
}

}  // namespace tarovik
