#include "win_ime/indicators.h"

#include <algorithm>

#include "base/utf8.h"

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

std::string toast_title(bool enabled) { return enabled ? "Tarovik Active" : "Tarovik Paused"; }

}  // namespace tarovik
