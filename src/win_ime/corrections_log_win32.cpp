#include "win_ime/corrections_log_win32.h"

#include <windows.h>

#include "win_ime/corrections_log.h"
#include "win_ime/registry_win32.h"

namespace tarovik {

namespace {

std::filesystem::path temporary_folder() {
  // GetTempPath2W (Windows 11, later Windows 10 updates) keeps SYSTEM processes out of the
  // shared folder; older systems have only GetTempPathW.
  using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
  static const GetTempPath2 get_temp_path2 = [] {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel == nullptr
               ? nullptr
               : reinterpret_cast<GetTempPath2>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetTempPath2W")));
  }();
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = get_temp_path2 != nullptr ? get_temp_path2(MAX_PATH + 1, folder) : GetTempPathW(MAX_PATH + 1, folder);
  return std::wstring(folder, length <= MAX_PATH ? length : 0);
}

}  // namespace

std::filesystem::path corrections_log_path() { return corrections_log_path(local_app_data_folder(), temporary_folder()); }

void append_correction_record(bool enabled, const std::filesystem::path& path, std::string_view roman,
                              std::string_view top1, std::string_view word, const std::optional<std::string>& prev_word) {
  const auto line = prepare_correction_record(enabled, path, roman, top1, word, prev_word);
  if (!line) return;
  // Shared for deleting too, so that a reader holding the file never makes a commit lose its line.
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line->data(), static_cast<DWORD>(line->size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace tarovik
