#pragma once

#include <string>
#include <vector>

#include "win_studio/studio_server.h"

namespace tarovik {

// Brings the window of that title forward, or starts a Studio window process for the page
// (the browser when no process can be started).
void open_studio_window(const StudioRoutes& routes, std::u16string_view path, std::u16string_view title,
                        std::uint16_t width, std::uint16_t height);

// The "--studio-window" mode; returns the exit status.
int run_studio_window(const std::vector<std::u16string>& args);

}  // namespace tarovik
