#include "win_studio/studio_assets.h"

#include <cstddef>

extern "C" {
extern const char tarovik_brand_logo_begin[], tarovik_brand_logo_end[];
}

namespace tarovik {

std::string_view brand_logo_png() {
  return {tarovik_brand_logo_begin, static_cast<std::size_t>(tarovik_brand_logo_end - tarovik_brand_logo_begin)};
}

}  // namespace tarovik
