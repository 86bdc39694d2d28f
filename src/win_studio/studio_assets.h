#pragma once

#include <span>
#include <string_view>

namespace tarovik {

// One file of the Writing Studio page, served unchanged.
struct StudioAsset {
  std::string_view path;
  std::string_view content_type;
  std::string_view bytes;
};

// STUDIO_ASSETS: built into the program, sorted by path in byte order.
std::span<const StudioAsset> studio_assets();

// The brand logo (PNG) served apart from the table, for the Preferences page.
std::string_view brand_logo_png();
// The Preferences page, one self-contained HTML document.
std::string_view preferences_page_html();

}  // namespace tarovik
