#include "win_studio/studio_server.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "base/ascii.h"
#include "win_studio/http_request.h"
#include "base/utf8.h"
#include "win_studio/studio_assets.h"

namespace tarovik {

namespace {

constexpr int kReceiveTimeoutMs = 2000;
constexpr int kBacklog = 128;
constexpr std::chrono::milliseconds kAcceptRetryDelay{20};

HttpResponse ok(std::string_view content_type, std::string_view body) {
  return {"200 OK", std::string(content_type), {}, body};
}

const StudioAsset* find_asset(std::string_view path) {
  for (const StudioAsset& asset : studio_assets()) {
    if (asset.path == path) return &asset;
  }
  return nullptr;
}

[[noreturn]] void fatal(const char* what, const std::string& cause) {
  std::fprintf(stderr, "%s: %s\n", what, cause.c_str());
  std::exit(101);
}

}  // namespace

HttpResponse route_studio_request(const StudioRoutes& routes, std::string_view method, std::string_view path,
                                  std::string_view body) {
  if (method == "GET" && path == "/brand-logo.png" && !routes.brand_logo.empty()) {
    return ok("image/png", routes.brand_logo);
  }
  if (method == "GET" && path == "/preferences" && !routes.preferences_page.empty()) {
    return ok("text/html; charset=utf-8", routes.preferences_page);
  }
  if (path == "/api/config") {
    if (method == "GET" && routes.get_config) return routes.get_config();
    if (method == "POST" && routes.post_config) return routes.post_config(body);
  }
  if (method == "POST" && path == "/api/open-studio" && routes.open_studio) return routes.open_studio();

  // Every other path gets its file, else the index page, so the page's own routes load.
  const StudioAsset* asset = find_asset(path == "/" ? "/index.html" : path);
  if (asset == nullptr) asset = find_asset("/index.html");
  if (asset == nullptr) {
    return {"404 Not Found", "text/plain", std::string(kAssetsMissingText), kAssetsMissingText};
  }
  return ok(asset->content_type, asset->bytes);
}

void send_http_response(SocketHandle socket, const HttpResponse& response) {
  const std::string_view body = response.owned_body.empty() ? response.body : std::string_view(response.owned_body);
  const std::string head = format_response_head(response.status, response.content_type, body.size());
  send_all(socket, head);
  send_all(socket, body);  // attempted even after a failed head
}

std::optional<HttpResponse> refuse_foreign_request(std::string_view method, std::string_view path,
                                                   std::span<const std::string> hosts,
                                                   std::span<const std::string> origins, std::uint16_t port) {
  // Were one of two checked, the other could be the one believed.
  if (hosts.size() > 1 || origins.size() > 1) return HttpResponse{"400 Bad Request", "text/plain", "Bad Request", {}};
  const HttpResponse forbidden{"403 Forbidden", "text/plain", "Forbidden", {}};
  if (!hosts.empty()) {
    std::string_view name = hosts.front();
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) {
      const std::string_view digits = name.substr(colon + 1);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        name = name.substr(0, colon);
      }
    }
    if (name != "127.0.0.1" && ascii::lower(name) != "localhost") return forbidden;
  }
  const bool interface_post = method == "POST" && (path == "/api/config" || path == "/api/open-studio");
  if (interface_post && !origins.empty()) {
    const std::string suffix = std::to_string(port);
    const std::string_view seen = origins.front();
    const bool own = (seen.starts_with("http://127.0.0.1:") && seen.substr(17) == suffix) ||
                     (seen.starts_with("http://localhost:") && seen.substr(17) == suffix);
    if (!own) return forbidden;
  }
  return std::nullopt;
}

void handle_studio_connection(const StudioRoutes& routes, SocketHandle socket, std::uint16_t port) {
  set_receive_timeout(socket, kReceiveTimeoutMs);
  RequestReader reader;
  std::array<char, kReadBlockBytes> block{};
  while (reader.wants_more()) {
    const long received = receive_some(socket, block);
    if (received <= 0) break;
    if (reader.append(std::span<const char>(block.data(), static_cast<std::size_t>(received)))) break;
  }
  if (reader.has_head()) {
    const std::string method = reader.method();
    const std::string path = reader.path();
    auto refusal = refuse_foreign_request(method, path, reader.headers("host"), reader.headers("origin"), port);
    send_http_response(socket, refusal ? *refusal : route_studio_request(routes, method, path, reader.body()));
  }
  close_socket(socket);
}

void run_studio_accept_loop(SocketHandle listener, std::shared_ptr<const StudioRoutes> routes, std::uint16_t port) {
  while (true) {
    const SocketHandle connection = accept_connection(listener);
    if (connection == kNoSocket) {
      // Out of descriptors, say: accept fails at once until one is freed.
      std::this_thread::sleep_for(kAcceptRetryDelay);
      continue;
    }
    try {
      // Each connection shares the routes, so it may outlive this loop.
      std::thread([connection, port, routes] { handle_studio_connection(*routes, connection, port); }).detach();
    } catch (const std::system_error&) {
      std::fprintf(stderr, "failed to spawn thread\n");
      close_socket(connection);
      close_socket(listener);
      return;
    }
  }
}

std::uint16_t studio_port(const StudioRoutes& routes) {
  static std::once_flag once;
  static std::uint16_t port = 0;
  std::call_once(once, [&routes] {
    auto listener = listen_on_loopback(kBacklog);
    if (!listener) fatal("bind studio localhost", listener.error());
    const SocketHandle socket = listener.value().socket;
    const std::uint16_t bound = listener.value().port;
    try {
      std::thread(run_studio_accept_loop, socket, std::make_shared<const StudioRoutes>(routes), bound).detach();
    } catch (const std::system_error& error) {
      fatal("failed to spawn thread", error.what());
    }
    port = bound;
  });
  return port;
}

}  // namespace tarovik
