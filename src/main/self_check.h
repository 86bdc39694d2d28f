#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "base/result.h"
#include "win_studio/studio_server.h"

namespace tarovik {

// GETs path from the Studio server on 127.0.0.1:port and returns the response's length when
// it is a "200 OK" page, or what went wrong.
Result<std::size_t> studio_page_probe(std::uint16_t port, std::string_view path);

// Loads the engine, checks "kathmandu", starts the Studio server and probes it; prints the
// report line to out, or a message to err. Returns the exit status: 0, or 101 on a failure.
int run_self_check(const StudioRoutes& routes, std::FILE* out, std::FILE* err);

}  // namespace tarovik
