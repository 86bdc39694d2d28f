#include "win_ime/indicators.h"

#include <gtest/gtest.h>

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

TEST(Indicators, MenuRowsInOrderWithTheirChecks) {
  ImeConfig config;
  config.show_floating_pill = false;
  const auto rows = tray_menu_rows(true, config, true);
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0].text, "Enable Tarovik\tCtrl+Alt+Space");
  EXPECT_TRUE(rows[0].checked);
  EXPECT_TRUE(rows[1].checked);
  EXPECT_FALSE(rows[2].checked);
  EXPECT_EQ(rows[3].id, 0u);
  EXPECT_EQ(rows[8].id, kCommandStartWithWindows);
  EXPECT_TRUE(rows[8].checked);
  EXPECT_EQ(rows[10].text, "Exit Tarovik");
}

TEST(Indicators, PillSitsBottomRightOrWhereSavedInsideTheWorkArea) {
  const Rect work{0, 0, 1920, 1040};
  ImeConfig config;
  EXPECT_EQ(pill_box(config, 1.0, work), (PopupBox{1920 - 248 - 14, 1040 - 36 - 14, 248, 36}));
  config.pill_x = 5000;  // saved on a monitor that is gone
  config.pill_y = -300;
  EXPECT_EQ(pill_box(config, 1.0, work), (PopupBox{1920 - 248 - 8, 8, 248, 36}));
  EXPECT_EQ(config.pill_x, 5000);
}

TEST(Indicators, ToastAtTheBottomRight) {
  EXPECT_EQ(toast_box(100, 1.0, {0, 0, 1920, 1040}), (PopupBox{1920 - 16 - 356, 1040 - 64 - 46, 356, 46}));
  EXPECT_EQ(toast_box(300, 1.0, {0, 0, 1920, 1040}).width, 486);
  EXPECT_EQ(toast_title(false), "Tarovik Paused");
  EXPECT_NE(shortcuts_guide_text("Pause").find("Tarovik:  Pause\n"), std::string::npos);
}

}  // namespace
}  // namespace tarovik
