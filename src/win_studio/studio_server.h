#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "win_studio/studio_socket.h"

namespace tarovik {

struct HttpResponse {
  std::string status;
  std::string content_type;
  std::string owned_body;       // a body made for this response
  std::string_view body;        // what is sent: owned_body, or embedded bytes
};

inline constexpr std::string_view kAssetsMissingText = "Tarovik Studio assets were not bundled in this build.";

// The answers that are not files: the configuration interface and the host's own pages. An
// empty handler sends that request on to the asset lookup.
struct StudioRoutes {
  std::function<HttpResponse()> get_config;
  std::function<HttpResponse(std::string_view body)> post_config;
  std::function<HttpResponse()> open_studio;
  std::string_view preferences_page;
  std::string_view brand_logo;
};

// The response to one request, by the routing table and then the asset lookup.
HttpResponse route_studio_request(const StudioRoutes& routes, std::string_view method, std::string_view path,
                                  std::string_view body);

// Refuses requests from other sites: a Host that is not this machine's loopback name (a
// page behind a rebound domain), and an interface POST whose Origin is not this server. A
// head with more than one Host or Origin line is a bad request.
std::optional<HttpResponse> refuse_foreign_request(std::string_view method, std::string_view path,
                                                   std::span<const std::string> hosts,
                                                   std::span<const std::string> origins, std::uint16_t port);

// Reads one request from the socket, answers it and closes the socket.
void handle_studio_connection(const StudioRoutes& routes, SocketHandle socket, std::uint16_t port);
void send_http_response(SocketHandle socket, const HttpResponse& response);

// Accepts connections for ever, one thread each. When no thread can be created it stops with a
// message and closes the listener; connections already running keep their share of routes.
void run_studio_accept_loop(SocketHandle listener, std::shared_ptr<const StudioRoutes> routes, std::uint16_t port);

// STUDIO_PORT: the first reader starts the server (127.0.0.1, a port the system picks) with
// these routes; every reader gets the same port. A failure to listen is fatal.
std::uint16_t studio_port(const StudioRoutes& routes);

}  // namespace tarovik
