#include "win_ime/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/utf8.h"

namespace tarovik {
namespace {

constexpr std::string_view kDefaultText =
    R"({"toggleShortcut":"ctrl_alt_space","alsoCtrlSpace":true,"numeralsMode":"smart","maxCandidates":5,)"
    R"("periodPurnaBiram":true,"numberKeyCommits":true,"showCandidatePopup":true,"showModeToast":true,)"
    R"("showFloatingPill":true,"learnPromotedWords":true,"devCorrectionLog":false,"startEnabled":true,)"
    R"("themeMode":"auto","uiScale":"standard","pillX":null,"pillY":null})";

Result<ImeConfig> read(std::string_view text) {
  auto document = parse_json(text);
  if (!document) return Error{document.error()};
  return deserialize_ime_config(document.value(), document.value().root());
}

// Stores text as ConfigJson the way the registry holds a REG_SZ value.
void store(MemoryRegistry& registry, std::string_view text) {
  registry.set_raw(kSettingsKey, kSettingsValue, {1, reg_sz_bytes(utf8::to_utf16(text))});
}

TEST(SettingsText, DefaultsWriteTheCompactText) {
  std::string text;
  serialize_ime_config(ImeConfig{}, text);
  EXPECT_EQ(text, kDefaultText);
  EXPECT_EQ(text.size(), 353u);

  ImeConfig changed;
  changed.toggle_shortcut = ToggleShortcut::pause_key;
  changed.theme_mode = ThemeMode::dark;
  changed.ui_scale = UiScale::large;
  changed.numerals_mode = NumeralsMode::devanagari;
  changed.pill_x = -25;
  changed.pill_y = 2147483647;
  std::string written;
  serialize_ime_config(changed, written);
  auto back = read(written);
  ASSERT_TRUE(back.ok()) << back.error();
  EXPECT_EQ(back.value(), changed);
}

TEST(SettingsText, ObjectFormSkipsUnknownKeysAndDefaultsMissingOnes) {
  auto empty = read("{}");
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty.value(), ImeConfig{});

  auto partial = read(R"({"MAXCANDIDATES": 3, "future": {"x": [1, 2]}, "themeMode": {"dark": null}, "pillX": -25})");
  ASSERT_TRUE(partial.ok()) << partial.error();
  EXPECT_EQ(partial.value().max_candidates, 5u);  // other case: not the listed key
  EXPECT_EQ(partial.value().theme_mode, ThemeMode::dark);
  EXPECT_EQ(partial.value().pill_x, -25);
  EXPECT_FALSE(partial.value().pill_y.has_value());
}

TEST(SettingsText, ArrayFormTakesFieldsInOrder) {
  auto short_array = read(R"(["pause_key", false])");
  ASSERT_TRUE(short_array.ok()) << short_array.error();
  EXPECT_EQ(short_array.value().toggle_shortcut, ToggleShortcut::pause_key);
  EXPECT_FALSE(short_array.value().also_ctrl_space);
  EXPECT_EQ(short_array.value().numerals_mode, NumeralsMode::smart);

  EXPECT_TRUE(read(R"(["ctrl_space",true,"ascii",4,true,true,true,true,true,true,false,true,"light","compact",1,2])").ok());
  EXPECT_FALSE(read(R"(["ctrl_space",true,"ascii",4,true,true,true,true,true,true,false,true,"light","compact",1,2,3])").ok());
}

TEST(SettingsText, AnyBadFieldRejectsTheWholeRecord) {
  for (std::string_view text : {
           R"({"themeMode": "Dark"})", R"({"themeMode": {"dark": 1}})", R"({"themeMode": {"dark": null, "light": null}})",
           R"({"pillX": 2.5})", R"({"pillX": 2147483648})", R"({"pillX": "1"})", R"({"pillX": true})",
           R"({"maxCandidates": -1})", R"({"maxCandidates": 5.0})", R"({"maxCandidates": null})",
           R"({"alsoCtrlSpace": 1})", R"({"uiScale": "huge"})", R"({"alsoCtrlSpace": true, "alsoCtrlSpace": true})",
           "null", "\"smart\"", "42"}) {
    EXPECT_FALSE(read(text).ok()) << text;
  }
  auto big = read(R"({"maxCandidates": 18446744073709551615})");
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(big.value().max_candidates, 18446744073709551615u);
}

TEST(SettingsStore, LoadsDefaultsWhenNothingUsableIsStored) {
  MemoryRegistry registry;
  EXPECT_EQ(load_preferences(registry), ImeConfig{});
  EXPECT_EQ(registry.find(kSettingsKey, kSettingsValue), nullptr);  // reading writes nothing

  for (std::string_view text : {"{", R"({"themeMode":"dark"} x)", R"({"uiScale":"large","uiScale":"large"})", "null"}) {
    store(registry, text);
    EXPECT_EQ(load_preferences(registry), ImeConfig{}) << text;
  }
  registry.set_raw(kSettingsKey, kSettingsValue, {4, {1, 0, 0, 0}});  // a DWORD
  EXPECT_EQ(load_preferences(registry), ImeConfig{});
}

TEST(SettingsStore, ReadsTheStoredTextUpToItsFirstNul) {
  MemoryRegistry registry;
  store(registry, "{\"themeMode\":\"dark\"} \r\n\t");
  EXPECT_EQ(load_preferences(registry).theme_mode, ThemeMode::dark);

  std::u16string units = utf8::to_utf16(R"({"uiScale":"large"})");
  units += u'\0';
  units += u"garbage";
  registry.set_raw(kSettingsKey, kSettingsValue, {1, reg_sz_bytes(units)});
  EXPECT_EQ(load_preferences(registry).ui_scale, UiScale::large);

  // Valid text, but more registry data than settings may take.
  std::string padded = R"({"uiScale":"large"})";
  padded.append(40000, ' ');
  store(registry, padded);
  EXPECT_EQ(load_preferences(registry), ImeConfig{});
}

TEST(SettingsStore, CandidateCountIsKeptWithinThreeToSeven) {
  MemoryRegistry registry;
  store(registry, R"({"maxCandidates":0})");
  EXPECT_EQ(load_preferences(registry).max_candidates, 3u);
  store(registry, R"({"maxCandidates":12})");
  EXPECT_EQ(load_preferences(registry).max_candidates, 7u);

  for (const auto& [asked, kept] : {std::pair{12u, "7"}, {0u, "3"}}) {
    ImeConfig config;
    config.max_candidates = asked;
    save_preferences(registry, config);
    // The stored text is the defaults' with the count kept in range.
    const std::string_view five = R"("maxCandidates":5)";
    std::string text(kDefaultText);
    text.replace(text.find(five), five.size(), std::string(five.substr(0, five.size() - 1)) + kept);
    const auto* stored = registry.find(kSettingsKey, kSettingsValue);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->data, reg_sz_bytes(utf8::to_utf16(text))) << asked;
  }
}

TEST(SettingsStore, SavingTheDefaultsStoresTheExactText) {
  MemoryRegistry registry;
  save_preferences(registry, ImeConfig{});
  const auto* stored = registry.find(kSettingsKey, kSettingsValue);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, 1u);
  EXPECT_EQ(stored->data.size(), 708u);
  EXPECT_EQ(stored->data, reg_sz_bytes(utf8::to_utf16(kDefaultText)));
}

TEST(Autostart, RunValueDecidesAndIsWrittenQuoted) {
  MemoryRegistry registry;
  EXPECT_FALSE(autostart_enabled(registry));
  set_autostart(registry, true, u"C:\\Apps\\tarovik.exe");
  EXPECT_FALSE(autostart_enabled(registry));  // the Run key is opened, never created

  registry.create_key(kRunKey);
  registry.set_raw(kRunKey, kRunValue, {4, {0, 0, 0, 0}});
  EXPECT_TRUE(autostart_enabled(registry));  // any value counts
  set_autostart(registry, true, std::u16string(u"C:\\Apps\\tarovik.exe"));
  EXPECT_EQ(registry.find(kRunKey, kRunValue)->data, reg_sz_bytes(u"\"C:\\Apps\\tarovik.exe\""));

  set_autostart(registry, true, std::u16string(u"C:\\\xD800.exe"));
  EXPECT_EQ(registry.find(kRunKey, kRunValue)->data, reg_sz_bytes(u"\"C:\\\xFFFD.exe\""));

  set_autostart(registry, true, std::nullopt);  // no path: nothing written
  EXPECT_EQ(registry.find(kRunKey, kRunValue)->data, reg_sz_bytes(u"\"C:\\\xFFFD.exe\""));

  set_autostart(registry, false, std::nullopt);
  EXPECT_FALSE(autostart_enabled(registry));
  set_autostart(registry, false, std::nullopt);
  EXPECT_FALSE(autostart_enabled(registry));
}

}  // namespace
}  // namespace tarovik
