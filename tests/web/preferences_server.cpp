// The Studio server as the tray host runs it, for a browser driving the Preferences page:
// the real routes and configuration interface over an in-memory registry and a real
// composition state built from the shipped lexicon.
//
// stdout carries one JSON object a line: first {"event":"listening","url":...}, then one line
// per interface request (its body and the reply) and per message posted to the host window.
// The server runs until its stdin closes.
//
//   preferences_server [--config JSON] [--autostart] [--paused] [--before-warm-up]
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "phonetic/engine.h"
#include "base/utf8.h"
#include "win_ime/keyboard_hook.h"
#include "win_ime/registry.h"
#include "win_ime/settings.h"
#include "win_studio/config_api.h"
#include "win_studio/studio_assets.h"
#include "win_studio/studio_server.h"

namespace {

using namespace tarovik;

// The real registry is safe across threads and the connection threads rely on that;
// MemoryRegistry is not, so every call goes through one lock.
class LockedRegistry : public RegistryStore {
 public:
  explicit LockedRegistry(MemoryRegistry& inner) : inner_(inner) {}
  std::optional<std::vector<std::uint8_t>> read_value(std::string_view key, std::string_view name,
                                                      std::size_t max_bytes) override {
    std::lock_guard lock(mutex_);
    return inner_.read_value(key, name, max_bytes);
  }
  bool value_exists(std::string_view key, std::string_view name) override {
    std::lock_guard lock(mutex_);
    return inner_.value_exists(key, name);
  }
  bool write_string(std::string_view key, std::string_view name, std::u16string_view text, bool create_key) override {
    std::lock_guard lock(mutex_);
    return inner_.write_string(key, name, text, create_key);
  }
  bool delete_value(std::string_view key, std::string_view name) override {
    std::lock_guard lock(mutex_);
    return inner_.delete_value(key, name);
  }

 private:
  MemoryRegistry& inner_;
  std::mutex mutex_;
};

std::mutex output_mutex;

void emit(const nlohmann::json& line) {
  const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::lock_guard lock(output_mutex);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string_view body_of(const HttpResponse& response) {
  return response.owned_body.empty() ? response.body : std::string_view(response.owned_body);
}

HttpResponse logged(std::string_view route, std::string_view body, HttpResponse response) {
  emit({{"event", "request"},
        {"route", route},
        {"body", std::string(body)},
        {"status", response.status},
        {"reply", std::string(body_of(response))}});
  return response;
}

int usage(const char* problem) {
  std::fprintf(stderr,
               "preferences_server: %s\n"
               "usage: preferences_server [--config JSON] [--autostart] [--paused] [--before-warm-up]\n",
               problem);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> config_text;
  bool autostart = false, paused = false, before_warm_up = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--config") {
      if (i + 1 >= argc) return usage("--config needs a JSON settings object");
      config_text = argv[++i];
    } else if (arg == "--autostart") {
      autostart = true;
    } else if (arg == "--paused") {
      paused = true;
    } else if (arg == "--before-warm-up") {
      before_warm_up = true;
    } else {
      return usage(("unknown argument: " + std::string(arg)).c_str());
    }
  }

  MemoryRegistry memory;
  memory.create_key(kRunKey);
  LockedRegistry registry(memory);
  const std::u16string executable = u"C:\\Program Files\\Tarovik\\tarovik.exe";
  if (config_text) {
    // Stored verbatim, as a registry written by an earlier version would hold it: the host
    // reads it back by its own rules.
    auto document = parse_json(*config_text);
    if (!document) return usage(("--config is not JSON: " + document.error()).c_str());
    if (auto read = deserialize_ime_config(document.value(), document.value().root()); !read) {
      return usage(("--config is not a settings record: " + read.error()).c_str());
    }
    registry.write_string(kSettingsKey, kSettingsValue, utf8::to_utf16(*config_text), true);
  }
  if (autostart) set_autostart(registry, true, executable);

  std::unique_ptr<SharedState> shared;
  if (!before_warm_up) {
    auto engine = engine_load();
    if (!engine) {
      std::fprintf(stderr, "preferences_server: the shipped lexicon did not load: %s\n", engine.error().c_str());
      return 1;
    }
    shared.reset(new SharedState{{}, ImeState(std::move(engine).value(), load_preferences(registry))});
    if (paused) shared->state.enabled = false;
  }

  const auto host = [&]() -> HostAccess {
    return {shared.get(), &registry, executable, [](std::uint32_t message, std::uintptr_t wparam) {
              emit({{"event", "host-message"}, {"message", message}, {"wparam", wparam}});
            }};
  };
  const StudioRoutes routes{
      [&] { return logged("GET /api/config", {}, handle_get_config(host())); },
      [&](std::string_view body) { return logged("POST /api/config", body, handle_post_config(host(), body)); },
      [&] { return logged("POST /api/open-studio", {}, handle_open_studio(host())); },
      preferences_page_html(),
      brand_logo_png()};
  const std::uint16_t port = studio_port(routes);
  emit({{"event", "listening"},
        {"url", "http://127.0.0.1:" + std::to_string(port) + "/"},
        {"wordCount", shared ? shared->state.engine.lexicon.word_count : embedded_lexicon_word_count()}});

  // The browser test holds the other end; when it goes away, so does the server.
  char sink[256];
  while (std::fread(sink, 1, sizeof sink, stdin) > 0) {
  }
  std::fflush(stdout);
  std::_Exit(0);  // connection threads may still be running; nothing of theirs needs saving
}
