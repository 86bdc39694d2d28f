#include "win_ime/indicators.h"

#include <algorithm>

#include "trie/utf8.h"

namespace tarovik {

std::string shortcut_summary(const ImeConfig& config) {
  const std::string label(shortcut_label(config.toggle_shortcut));
  if (!config.also_ctrl_space || config.toggle_shortcut == ToggleShortcut::ctrl_space) return label;
  return label + " / Ctrl+Space";
}

std::u16string tray_tooltip(bool enabled, const std::string& summary) {
  std::u16string tip = utf8::to_utf16(std::string(enabled ? "Tarovik — Active (" : "Tarovik — Paused (") + summary + ")");
  if (tip.size() > 127) tip.resize(127);
  return tip;
}

std::vector<MenuRow> tray_menu_rows(bool enabled, const ImeConfig& config, bool autostart) {
  return {
      {kCommandToggleEnabled, "Enable Tarovik\t" + std::string(shortcut_label(config.toggle_shortcut)), enabled},
      {kCommandAlsoCtrlSpace, "Also Toggle with Ctrl+Space", config.also_ctrl_space},
      {kCommandFloatingPill, "Show Floating Status Pill", config.show_floating_pill},
      {0, "", false},
      {kCommandOpenStudio, "Open Writing Studio & Preeti\tDbl-Click", false},
      {kCommandPreferences, "Preferences & Customization...", false},
      {kCommandShortcutsGuide, "Keyboard Shortcuts Guide...", false},
      {0, "", false},
      {kCommandStartWithWindows, "Start with Windows", autostart},
      {0, "", false},
      {kCommandExit, "Exit Tarovik", false},
  };
}

std::string menu_item_text(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '&') escaped += '&';
    escaped += c;
  }
  return escaped;
}

std::string shortcuts_guide_text(const std::string& summary) {
  return "Tarovik Keyboard Shortcuts\n\n"
         "• Enable / Disable Tarovik:  " + summary + "\n"
         "• Backup Global Toggle:  Ctrl+Shift+Y\n"
         "• Pick Candidate 1–7:  Number keys or Mouse click\n"
         "• Navigate Candidates:  Up / Down / Tab\n"
         "• Cancel Word (Keep English):  Esc\n"
         "• Purna Biram (।):  Period (.) — automatically skips www.\n"
         "• English Bypass Word:  Wrap in backticks (e.g. `wifi`)\n"
         "• Open Writing Studio:  Double-click tray badge";
}

PopupBox pill_box(const ImeConfig& config, double s, Rect work) {
  const std::int32_t w = scaled(248, s);
  const std::int32_t h = scaled(36, s);
  const std::int32_t x = config.pill_x.value_or(work.right - w - scaled(14, s));
  const std::int32_t y = config.pill_y.value_or(work.bottom - h - scaled(14, s));
  return {std::clamp(x, work.left + 8, std::max(work.left + 8, work.right - w - 8)),
          std::clamp(y, work.top + 8, std::max(work.top + 8, work.bottom - h - 8)), w, h};
}

PopupBox toast_box(std::int32_t title_width, double s, Rect work) {
  const std::int32_t w = std::max(title_width + scaled(186, s), scaled(356, s));
  const std::int32_t h = scaled(46, s);
  return {work.right - (scaled(16, s) + w), work.bottom - (scaled(64, s) + h), w, h};
}

std::string toast_title(bool enabled) { return enabled ? "Tarovik Active" : "Tarovik Paused"; }

}  // namespace tarovik
