#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "win_ime/keyboard_hook.h"
#include "win_ime/registry.h"
#include "win_ime/settings.h"
#include "win_studio/studio_server.h"

namespace tarovik {

struct StudioStatus {
  bool enabled = true;
  bool autostart = false;
  std::uint64_t word_count = 0;
  std::string shortcut_summary;
  ImeConfig config;
};

struct ApiConfigUpdate {
  std::optional<bool> enabled;
  std::optional<bool> autostart;
  std::optional<ImeConfig> config;
};

// What the configuration interface reaches of the host.
struct HostAccess {
  SharedState* shared = nullptr;  // null until the warm-up built the state
  RegistryStore* registry = nullptr;
  std::optional<std::u16string> executable_path;
  std::function<void(std::uint32_t message, std::uintptr_t wparam)> post;  // to the host window, when it exists
};

StudioStatus build_status_snapshot(const HostAccess& host);
std::string serialize_studio_status(const StudioStatus& status);

// An object with at most one of each member, or an array of the three; null means absent.
Result<ApiConfigUpdate> read_api_config_update(std::string_view body);

HttpResponse handle_get_config(const HostAccess& host);
HttpResponse handle_post_config(const HostAccess& host, std::string_view body);
HttpResponse handle_open_studio(const HostAccess& host);

}  // namespace tarovik
