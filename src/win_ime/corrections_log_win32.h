#pragma once

#include <filesystem>

#include "win_ime/corrections_log.h"

namespace tarovik {

// Where the corrections log lives on this machine: under %LOCALAPPDATA%, else in the
// system's temporary folder.
std::filesystem::path corrections_log_path();

}  // namespace tarovik
