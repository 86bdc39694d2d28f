#include "win_studio/config_api.h"

#include <array>
#include <nlohmann/json.hpp>

#include "win_ime/indicators.h"

namespace tarovik {

namespace {

constexpr std::string_view kJson = "application/json; charset=utf-8";

HttpResponse json_reply(std::string body) { return {"200 OK", std::string(kJson), std::move(body), {}}; }

Result<std::optional<bool>> optional_bool(const JsonDocument& document, const JsonValue* value) {
  if (value == nullptr || value->kind == JsonValue::Kind::null) return std::optional<bool>();
  auto flag = read_bool(document, *value);
  if (!flag) return Error{flag.error()};
  return std::optional<bool>(flag.value());
}

}  // namespace

StudioStatus build_status_snapshot(const HostAccess& host) {
  StudioStatus status;
  if (host.shared == nullptr) {
    status.config = load_preferences(*host.registry);
    status.enabled = status.config.start_enabled;
    status.autostart = autostart_enabled(*host.registry);
    status.word_count = embedded_lexicon_word_count();
  } else {
    std::lock_guard lock(host.shared->mutex);
    const ImeState& state = host.shared->state;
    status.enabled = state.enabled;
    status.autostart = autostart_enabled(*host.registry);
    status.word_count = state.engine.lexicon.word_count;
    status.config = state.config;
  }
  status.shortcut_summary = shortcut_summary(status.config);
  return status;
}

std::string serialize_studio_status(const StudioStatus& status) {
  std::string out;
  out.reserve(128);
  out += "{\"enabled\":";
  out += status.enabled ? "true" : "false";
  out += ",\"autostart\":";
  out += status.autostart ? "true" : "false";
  out += ",\"wordCount\":" + std::to_string(status.word_count);
  out += ",\"shortcutSummary\":" +
         nlohmann::json(status.shortcut_summary).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  out += ",\"config\":";
  serialize_ime_config(status.config, out);
  out += '}';
  return out;
}

Result<ApiConfigUpdate> read_api_config_update(std::string_view body) {
  auto document = parse_json(body);
  if (!document) return Error{document.error()};
  static constexpr std::array<FieldSpec, 3> kFields{{{"enabled", false}, {"autostart", false}, {"config", false}}};
  auto fields = read_record(document.value(), document.value().root(), "struct ApiConfigUpdate", kFields,
                            ArrayForm::exact);
  if (!fields) return Error{fields.error()};
  ApiConfigUpdate update;
  auto enabled = optional_bool(document.value(), fields.value()[0]);
  if (!enabled) return Error{enabled.error()};
  update.enabled = enabled.value();
  auto autostart = optional_bool(document.value(), fields.value()[1]);
  if (!autostart) return Error{autostart.error()};
  update.autostart = autostart.value();
  if (const JsonValue* config = fields.value()[2]; config != nullptr && config->kind != JsonValue::Kind::null) {
    auto read = deserialize_ime_config(document.value(), *config);
    if (!read) return Error{read.error()};
    update.config = read.value();
  }
  return update;
}

HttpResponse handle_get_config(const HostAccess& host) {
  return json_reply(serialize_studio_status(build_status_snapshot(host)));
}

HttpResponse handle_post_config(const HostAccess& host, std::string_view body) {
  auto update = read_api_config_update(body);
  if (!update) return {"400 Bad Request", "text/plain", "Invalid JSON payload", {}};
  ApiConfigUpdate& u = update.value();
  if (u.config) u.config->max_candidates = clamp_max_candidates(u.config->max_candidates);
  if (u.autostart) set_autostart(*host.registry, *u.autostart, host.executable_path);

  std::optional<bool> enabled_now;
  if (host.shared != nullptr) {
    std::lock_guard lock(host.shared->mutex);
    ImeState& state = host.shared->state;
    if (u.config) {
      save_preferences(*host.registry, *u.config);
      state.config = *u.config;
      state.refresh_candidates();
    }
    if (u.enabled && *u.enabled != state.enabled) {
      // As the toggle: the text typed while off no longer ends in the word or its undo.
      state.enabled = *u.enabled;
      state.start_afresh();
      enabled_now = state.enabled;
    }
  } else if (u.config) {
    save_preferences(*host.registry, *u.config);
  }
  if (host.post) {
    if (enabled_now) host.post(WM_APP_ENABLED_CHANGED, *enabled_now ? 1 : 0);
    host.post(WM_APP_CONFIG_CHANGED, 0);
  }
  return handle_get_config(host);
}

HttpResponse handle_open_studio(const HostAccess& host) {
  if (host.post) host.post(WM_APP_OPEN_STUDIO, 0);
  return json_reply("{\"ok\":true}");
}

}  // namespace tarovik
