#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "win_ime/settings.h"

namespace tarovik {

// The toggle hot keys in words: "Ctrl+Alt+Space / Ctrl+Space".
std::string shortcut_summary(const ImeConfig& config);

// The tray tooltip as UTF-16, cut to the 127 units the tip field holds.
std::u16string tray_tooltip(bool enabled, const std::string& summary);

// Tray menu command ids.
enum MenuCommand : std::uint32_t {
  kCommandToggleEnabled = 1001,
  kCommandOpenStudio = 1002,
  kCommandPreferences = 1003,
  kCommandStartWithWindows = 1004,
  kCommandAlsoCtrlSpace = 1005,
  kCommandFloatingPill = 1006,
  kCommandShortcutsGuide = 1007,
  kCommandExit = 1009,
};

struct MenuRow {
  std::uint32_t id = 0;  // 0: a separator
  std::string text;
  bool checked = false;
};
std::vector<MenuRow> tray_menu_rows(bool enabled, const ImeConfig& config, bool autostart);
// A row's text as the menu wants it: "&" doubled, so that it shows instead of underlining.
std::string menu_item_text(std::string_view text);

std::string shortcuts_guide_text(const std::string& summary);

std::string toast_title(bool enabled);

}  // namespace tarovik
