#pragma once

#include <optional>
#include <string>

#include "win_ime/registry.h"

namespace tarovik {

// The current user's registry through advapi32.
class Win32Registry : public RegistryStore {
 public:
  std::optional<std::vector<std::uint8_t>> read_value(std::string_view key, std::string_view name,
                                                      std::size_t max_bytes) override;
  bool value_exists(std::string_view key, std::string_view name) override;
  bool write_string(std::string_view key, std::string_view name, std::u16string_view text, bool create_key) override;
  bool delete_value(std::string_view key, std::string_view name) override;
};

// The full path of the running executable, as the system reports it.
std::optional<std::u16string> running_executable_path();
// The value of %LOCALAPPDATA%, when it is set.
std::optional<std::u16string> local_app_data_folder();

}  // namespace tarovik
