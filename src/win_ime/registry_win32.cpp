#include "win_ime/registry_win32.h"

#include <windows.h>

#include "base/utf8.h"

namespace tarovik {

namespace {

std::wstring wide(std::string_view text) {
  const std::u16string units = utf8::to_utf16(text);
  return {units.begin(), units.end()};
}

// An open key under HKEY_CURRENT_USER, closed with its owner.
class Key {
 public:
  Key(std::string_view path, REGSAM access, bool create) {
    const std::wstring w = wide(path);
    const LONG status = create ? RegCreateKeyW(HKEY_CURRENT_USER, w.c_str(), &key_)
                               : RegOpenKeyExW(HKEY_CURRENT_USER, w.c_str(), 0, access, &key_);
    if (status != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> Win32Registry::read_value(std::string_view key, std::string_view name,
                                                                   std::size_t max_bytes) {
  Key k(key, KEY_READ, false);
  if (!k) return std::nullopt;
  const std::wstring value_name = wide(name);
  DWORD size = 0;
  if (RegQueryValueExW(k.get(), value_name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (size > max_bytes) return std::nullopt;
  // Whole UTF-16 units, zero-filled; a value that grew since the size query fails here.
  std::vector<std::uint8_t> data(((size + 1) / 2) * 2, 0);
  DWORD read = static_cast<DWORD>(data.size());
  if (RegQueryValueExW(k.get(), value_name.c_str(), nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return data;
}

bool Win32Registry::value_exists(std::string_view key, std::string_view name) {
  Key k(key, KEY_READ, false);
  if (!k) return false;
  return RegQueryValueExW(k.get(), wide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::write_string(std::string_view key, std::string_view name, std::u16string_view text,
                                 bool create_key) {
  Key k(key, KEY_WRITE, create_key);
  if (!k) return false;
  const std::vector<std::uint8_t> data = reg_sz_bytes(text);
  return RegSetValueExW(k.get(), wide(name).c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool Win32Registry::delete_value(std::string_view key, std::string_view name) {
  Key k(key, KEY_WRITE, false);
  if (!k) return false;
  return RegDeleteValueW(k.get(), wide(name).c_str()) == ERROR_SUCCESS;
}

std::optional<std::u16string> running_executable_path() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) return std::u16string(path.begin(), path.begin() + length);
    if (path.size() >= 32768) return std::nullopt;
    path.resize(path.size() * 2);
  }
}

std::optional<std::u16string> local_app_data_folder() {
  // 32,767 characters is the longest value an environment variable can have.
  std::wstring value(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return std::nullopt;
  return std::u16string(value.begin(), value.begin() + length);
}

}  // namespace tarovik
