// The real registry, under Wine in the Windows build.
#ifdef _WIN32

#include "win_ime/registry_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/utf8.h"
#include "win_ime/settings.h"

namespace tarovik {
namespace {

class RealRegistry : public ::testing::Test {
 protected:
  void SetUp() override { clean(); }
  void TearDown() override { clean(); }
  static void clean() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarovik");
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_WRITE, &run) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(run, L"Tarovik");
      RegCloseKey(run);
    }
  }
  static void set_raw(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Tarovik", &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"ConfigJson", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }

  Win32Registry registry_;
};

TEST_F(RealRegistry, SettingsSurviveAWriteAndARead) {
  EXPECT_EQ(load_preferences(registry_), ImeConfig{});  // no key yet
  ImeConfig config;
  config.theme_mode = ThemeMode::light;
  config.pill_x = -40;
  config.max_candidates = 9;
  save_preferences(registry_, config);
  config.max_candidates = 7;
  EXPECT_EQ(load_preferences(registry_), config);

  const auto data = registry_.read_value(kSettingsKey, kSettingsValue, kMaxSettingsBytes);
  ASSERT_TRUE(data.has_value());
  std::string text;
  serialize_ime_config(config, text);
  EXPECT_EQ(*data, reg_sz_bytes(utf8::to_utf16(text)));
}

TEST_F(RealRegistry, DamagedOrOversizedValuesGiveTheDefaults) {
  const std::u16string broken = u"{\"themeMode\":\"DARK\"}";
  set_raw(REG_SZ, broken.c_str(), static_cast<DWORD>((broken.size() + 1) * 2));
  EXPECT_EQ(load_preferences(registry_), ImeConfig{});

  const DWORD number = 7;
  set_raw(REG_DWORD, &number, sizeof number);
  EXPECT_EQ(load_preferences(registry_), ImeConfig{});

  std::u16string padded = u"{\"uiScale\":\"large\"}";
  padded.append(40000, u' ');
  set_raw(REG_SZ, padded.c_str(), static_cast<DWORD>((padded.size() + 1) * 2));
  EXPECT_EQ(load_preferences(registry_), ImeConfig{});

  const std::u16string fine = u"{\"uiScale\":\"large\"}  ";
  set_raw(REG_SZ, fine.c_str(), static_cast<DWORD>((fine.size() + 1) * 2));
  EXPECT_EQ(load_preferences(registry_).ui_scale, UiScale::large);
}

TEST_F(RealRegistry, StartWithWindowsWritesTheQuotedRunningExecutable) {
  const auto path = running_executable_path();
  ASSERT_TRUE(path.has_value());
  EXPECT_FALSE(autostart_enabled(registry_));
  set_autostart(registry_, true, path);
  EXPECT_TRUE(autostart_enabled(registry_));
  const auto data = registry_.read_value(kRunKey, kRunValue, 65536);
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(*data, reg_sz_bytes(u"\"" + *path + u"\""));
  set_autostart(registry_, false, path);
  EXPECT_FALSE(autostart_enabled(registry_));
  set_autostart(registry_, false, path);  // deleting an absent value is no failure
  EXPECT_FALSE(autostart_enabled(registry_));
}

}  // namespace
}  // namespace tarovik

#endif  // _WIN32
