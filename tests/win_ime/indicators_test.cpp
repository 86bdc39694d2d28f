#include "win_ime/indicators.h"

#include <gtest/gtest.h>

#include <iterator>

#ifdef _WIN32
#include "win_ime/tray_win32.h"
#endif

namespace tarovik {
namespace {

TEST(Indicators, ShortcutSummaryNamesEachHotKeyOnce) {
  ImeConfig config;
  EXPECT_EQ(shortcut_summary(config), "Ctrl+Alt+Space / Ctrl+Space");
  config.toggle_shortcut = ToggleShortcut::ctrl_space;
  EXPECT_EQ(shortcut_summary(config), "Ctrl+Space");
  EXPECT_EQ(tray_tooltip(true, shortcut_summary(config)), u"Tarovik — Active (Ctrl+Space)");
  config.also_ctrl_space = false;
  config.toggle_shortcut = ToggleShortcut::pause_key;
  EXPECT_EQ(shortcut_summary(config), "Pause");
  EXPECT_EQ(tray_tooltip(false, "Pause"), u"Tarovik — Paused (Pause)");
  EXPECT_EQ(tray_tooltip(true, std::string(300, 'x')).size(), 127u);
}

TEST(Indicators, MenuRowsInOrderWithTheirIdsTextsAndChecks) {
  struct Row {
    std::uint32_t id;
    const char* text;
    bool checked_all_on;
  };
  // Every switch on, then every switch off (with Pause as the shortcut).
  const Row expected[] = {
      {1001, "Enable Tarovik\tCtrl+Alt+Space", true},
      {1005, "Also Toggle with Ctrl+Space", true},
      {1006, "Show Floating Status Pill", true},
      {0, "", false},
      {1002, "Open Writing Studio & Preeti\tDbl-Click", false},
      {1003, "Preferences & Customization...", false},
      {1007, "Keyboard Shortcuts Guide...", false},
      {0, "", false},
      {1004, "Start with Windows", true},
      {0, "", false},
      {1009, "Exit Tarovik", false},
  };
  ImeConfig on;
  ImeConfig off;
  off.also_ctrl_space = false;
  off.show_floating_pill = false;
  off.toggle_shortcut = ToggleShortcut::pause_key;
  const auto all_on = tray_menu_rows(true, on, true);
  const auto all_off = tray_menu_rows(false, off, false);
  ASSERT_EQ(all_on.size(), std::size(expected));
  ASSERT_EQ(all_off.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(all_on[i].id, expected[i].id) << "row " << i;
    EXPECT_EQ(all_on[i].text, expected[i].text) << "row " << i;
    EXPECT_EQ(all_on[i].checked, expected[i].checked_all_on) << "row " << i;
    EXPECT_FALSE(all_off[i].checked) << "row " << i;
  }
  EXPECT_EQ(all_off[0].text, "Enable Tarovik\tPause");
  // The menu would take a single "&" as a mnemonic and hide it.
  EXPECT_EQ(menu_item_text(all_on[4].text), "Open Writing Studio && Preeti\tDbl-Click");
  EXPECT_EQ(menu_item_text("&&x&"), "&&&&x&&");
}

TEST(Indicators, ShortcutsGuideWordForWord) {
  EXPECT_EQ(shortcuts_guide_text("Ctrl+Alt+Space / Ctrl+Space"),
            "Tarovik Keyboard Shortcuts\n\n"
            "• Enable / Disable Tarovik:  Ctrl+Alt+Space / Ctrl+Space\n"
            "• Backup Global Toggle:  Ctrl+Shift+Y\n"
            "• Pick Candidate 1–7:  Number keys or Mouse click\n"
            "• Navigate Candidates:  Up / Down / Tab\n"
            "• Cancel Word (Keep English):  Esc\n"
            "• Purna Biram (।):  Period (.) — automatically skips www.\n"
            "• English Bypass Word:  Wrap in backticks (e.g. `wifi`)\n"
            "• Open Writing Studio:  Double-click tray badge");
}

TEST(Indicators, ToastTitleAndTheGuidesShortcutLine) {
  EXPECT_EQ(toast_title(false), "Tarovik Paused");
  EXPECT_NE(shortcuts_guide_text("Pause").find("Tarovik:  Pause\n"), std::string::npos);
}

#ifdef _WIN32
TEST(Indicators, DrawnIconsAreBlackWhereTheirMaskIsTransparent) {
  // Drawing for the screen attaches the thread to a desktop. Under Wine without a display a
  // private one keeps the default desktop, where the end-to-end test opens its windows, free.
  HDESK previous = GetThreadDesktop(GetCurrentThreadId());
  HDESK desktop = CreateDesktopW(L"TarovikIconTest", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ASSERT_NE(desktop, nullptr);
  ASSERT_TRUE(SetThreadDesktop(desktop));
  // A transparent mask pixel XORs the colour onto the tray; any colour but black shows.
  for (const bool active : {true, false}) {
    HICON icon = render_tray_icon(active);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::uint32_t pixels[32 * 32] = {};
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, info.hbmColor, 0, 32, pixels, &format, DIB_RGB_COLORS), 32);
    ReleaseDC(nullptr, screen);
    auto at = [&](int x, int y) { return pixels[y * 32 + x] & 0xFFFFFFu; };
    for (const auto& [x, y] : {std::pair{0, 0}, {2, 0}, {29, 0}, {31, 0}, {0, 1}, {31, 30}, {0, 31}, {31, 31}}) {
      EXPECT_EQ(at(x, y), 0u) << "active " << active << " at " << x << "," << y;
    }
    EXPECT_EQ(at(16, 4), active ? 0u : 0xF5F5F5u);  // the background inside the corners
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  SetThreadDesktop(previous);
  CloseDesktop(desktop);
}
#endif

}  // namespace
}  // namespace tarovik
