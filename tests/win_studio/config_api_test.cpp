#include "win_studio/config_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "phonetic/engine.h"
#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class ConfigApi : public ::testing::Test {
 protected:
  ConfigApi() {
    registry_.create_key(kRunKey);
    host_.registry = &registry_;
    host_.executable_path = u"C:\\Tarovik\\tarovik.exe";
    host_.post = [this](std::uint32_t message, std::uintptr_t wparam) { posts_.push_back({message, wparam}); };
  }
  void start_state() {
    shared_.reset(new SharedState{{}, ImeState(testing::build_engine({.words = {{"घर", 30000}}}), {})});
    host_.shared = shared_.get();
  }
  std::string body(const HttpResponse& response) const { return response.owned_body; }

  MemoryRegistry registry_;
  HostAccess host_;
  std::unique_ptr<SharedState> shared_;
  std::vector<HostPost> posts_;
};

TEST_F(ConfigApi, StatusBeforeTheWarmUpReadsTheStoredSettings) {
  ImeConfig stored;
  stored.start_enabled = false;
  stored.toggle_shortcut = ToggleShortcut::pause_key;
  save_preferences(registry_, stored);
  const HttpResponse reply = handle_get_config(host_);
  EXPECT_EQ(reply.status, "200 OK");
  EXPECT_EQ(reply.content_type, "application/json; charset=utf-8");
  std::string config;
  serialize_ime_config(stored, config);
  EXPECT_EQ(body(reply), "{\"enabled\":false,\"autostart\":false,\"wordCount\":" +
                             std::to_string(embedded_lexicon_word_count()) +
                             ",\"shortcutSummary\":\"Pause / Ctrl+Space\",\"config\":" + config + "}");
  EXPECT_GT(embedded_lexicon_word_count(), 0u);
}

TEST_F(ConfigApi, StatusAfterTheWarmUpReadsTheState) {
  start_state();
  shared_->state.enabled = false;
  shared_->state.config.ui_scale = UiScale::large;  // the running settings, not the stored ones
  ImeConfig stored;
  stored.ui_scale = UiScale::compact;
  save_preferences(registry_, stored);
  std::string running;
  serialize_ime_config(shared_->state.config, running);
  const std::string reply = body(handle_get_config(host_));
  EXPECT_THAT(reply, StartsWith("{\"enabled\":false,\"autostart\":false,\"wordCount\":1,"));
  EXPECT_THAT(reply, HasSubstr("\"shortcutSummary\":\"Ctrl+Alt+Space / Ctrl+Space\""));
  EXPECT_THAT(reply, EndsWith(",\"config\":" + running + "}"));
}

TEST_F(ConfigApi, SwitchingOffOrOnEmptiesTheComposition) {
  start_state();
  ImeState& state = shared_->state;
  for (const bool enabled : {false, true}) {
    for (const char c : std::string_view("ghar")) state.composition_push_char(static_cast<char32_t>(c));
    ASSERT_FALSE(state.candidates.empty());
    handle_post_config(host_, enabled ? R"({"enabled": true})" : R"({"enabled": false})");
    EXPECT_EQ(state.enabled, enabled);
    EXPECT_EQ(state.roman, "") << enabled;
    EXPECT_TRUE(state.candidates.empty()) << enabled;
  }
}

TEST_F(ConfigApi, BadBodiesChangeNothing) {
  start_state();
  for (std::string_view bad : {"", "{", "[true, false]", "[true,false,null,1]", "{\"enabled\":\"yes\"}",
                               "{\"autostart\":1}", "{\"config\":\"x\"}", "{\"enabled\":true,\"enabled\":true}",
                               "{\"enabled\":true} x", "42", "{\"config\":{\"themeMode\":\"DARK\"}}"}) {
    const HttpResponse reply = handle_post_config(host_, bad);
    EXPECT_EQ(reply.status, "400 Bad Request") << bad;
    EXPECT_EQ(reply.owned_body, "Invalid JSON payload");
  }
  EXPECT_TRUE(posts_.empty());
  EXPECT_EQ(registry_.find(kSettingsKey, kSettingsValue), nullptr);
}

TEST_F(ConfigApi, ALeadingByteOrderMarkIsNotJson) {
  EXPECT_EQ(read_api_config_update("\xEF\xBB\xBF{\"enabled\":false}").error(),
            "syntax error: invalid literal at line 1 column 1");
  EXPECT_EQ(handle_post_config(host_, "\xEF\xBB\xBF{}").status, "400 Bad Request");
  registry_.write_string(kSettingsKey, kSettingsValue, u"\uFEFF{\"uiScale\":\"large\"}", true);
  EXPECT_EQ(load_preferences(registry_).ui_scale, UiScale::standard);  // the defaults
  registry_.write_string(kSettingsKey, kSettingsValue, u"{\"uiScale\":\"large\"}", true);
  EXPECT_EQ(load_preferences(registry_).ui_scale, UiScale::large);
}

TEST_F(ConfigApi, UpdateStoresAppliesAndTellsTheHost) {
  start_state();
  const HttpResponse reply =
      handle_post_config(host_, R"({"enabled": false, "future": [1, {"a": 2}], "config": {"maxCandidates": 12, "uiScale": "large"}})");
  EXPECT_EQ(reply.status, "200 OK");
  EXPECT_EQ(shared_->state.config.max_candidates, 7u);
  EXPECT_EQ(shared_->state.config.ui_scale, UiScale::large);
  EXPECT_FALSE(shared_->state.enabled);
  EXPECT_EQ(load_preferences(registry_).max_candidates, 7u);
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_ENABLED_CHANGED, 0}, HostPost{WM_APP_CONFIG_CHANGED, 0}));
  EXPECT_THAT(body(reply), StartsWith("{\"enabled\":false,"));

  posts_.clear();
  handle_post_config(host_, "[false, null, null]");  // unchanged: no enabled message
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_CONFIG_CHANGED, 0}));
}

TEST_F(ConfigApi, AConfigReplacesEverySettingAndIsClamped) {
  start_state();
  shared_->state.config.theme_mode = ThemeMode::dark;
  handle_post_config(host_, R"({"config": {"maxCandidates": 1}})");
  EXPECT_EQ(shared_->state.config.max_candidates, 3u);
  EXPECT_EQ(shared_->state.config.theme_mode, ThemeMode::automatic);  // keys it lacks take their defaults
  handle_post_config(host_, R"({"config": ["ctrl_space", true, "smart", 9]})");
  EXPECT_EQ(shared_->state.config.max_candidates, 7u);
  EXPECT_EQ(shared_->state.config.toggle_shortcut, ToggleShortcut::ctrl_space);

  posts_.clear();
  EXPECT_EQ(handle_post_config(host_, "{}").status, "200 OK");  // nothing to change, still announced
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_CONFIG_CHANGED, 0}));
  posts_.clear();
  handle_post_config(host_, "[true, false, null]");
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_CONFIG_CHANGED, 0}));  // already enabled
  EXPECT_FALSE(autostart_enabled(registry_));
}

TEST_F(ConfigApi, StartWithWindowsAndEarlyUpdates) {
  handle_post_config(host_, R"({"autostart": true, "enabled": false, "config": {"pillX": -20}})");
  EXPECT_TRUE(autostart_enabled(registry_));
  EXPECT_EQ(load_preferences(registry_).pill_x, -20);  // stored even before the warm-up
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_CONFIG_CHANGED, 0}));
  handle_post_config(host_, R"({"autostart": false})");
  EXPECT_FALSE(autostart_enabled(registry_));
}

TEST_F(ConfigApi, OpenStudioAlwaysAnswersOk) {
  EXPECT_EQ(handle_open_studio(host_).owned_body, "{\"ok\":true}");
  EXPECT_THAT(posts_, ElementsAre(HostPost{WM_APP_OPEN_STUDIO, 0}));
  host_.post = nullptr;
  EXPECT_EQ(handle_open_studio(host_).owned_body, "{\"ok\":true}");
}

}  // namespace
}  // namespace tarovik
