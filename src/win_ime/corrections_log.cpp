#include "win_ime/corrections_log.h"

#include <nlohmann/json.hpp>

#include <system_error>

namespace tarovik {

namespace {

bool is_valid_utf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

std::string correction_record_line(std::string_view roman, std::string_view top1, std::string_view word,
                                   const std::optional<std::string>& prev_word) {
  // nlohmann's default object keeps its keys sorted, which is the order the log wants.
  nlohmann::json record = {
      {"prev_word", prev_word.value_or("")},
      {"roman", std::string(roman)},
      {"top1_shown", std::string(top1)},
      {"user_selected", std::string(word)},
  };
  return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::filesystem::path corrections_log_path(const std::optional<std::u16string>& local_app_data,
                                           const std::filesystem::path& temp_folder) {
  if (local_app_data && is_valid_utf16(*local_app_data)) {
    return std::filesystem::path(*local_app_data) / "Tarovik" / "dev_corrections.jsonl";
  }
  return temp_folder / "tarovik_dev_corrections.jsonl";
}

std::optional<std::string> prepare_correction_record(bool enabled, const std::filesystem::path& path,
                                                     std::string_view roman, std::string_view top1,
                                                     std::string_view word, const std::optional<std::string>& prev_word) {
  if (!enabled || roman.empty() || top1.empty() || word == top1) return std::nullopt;
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  return correction_record_line(roman, top1, word, prev_word);
}

}  // namespace tarovik
