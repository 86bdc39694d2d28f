#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarovik {

// One line of the developer corrections log: compact JSON with the keys in sorted order.
std::string correction_record_line(std::string_view roman, std::string_view top1, std::string_view word,
                                   const std::optional<std::string>& prev_word);

// "Tarovik\dev_corrections.jsonl" under LOCALAPPDATA when it is set and valid Unicode, else
// "tarovik_dev_corrections.jsonl" in the temporary folder.
std::filesystem::path corrections_log_path(const std::optional<std::u16string>& local_app_data,
                                           const std::filesystem::path& temp_folder);

// The line to append for a promoted commit, with the log's folder made, when logging is on
// and the pick differs from the first candidate; otherwise nothing.
std::optional<std::string> prepare_correction_record(bool enabled, const std::filesystem::path& path,
                                                     std::string_view roman, std::string_view top1,
                                                     std::string_view word, const std::optional<std::string>& prev_word);

// Appends a line for a promoted commit when logging is on and the pick differs from the
// first candidate. Failures are ignored: logging never affects typing.
void append_correction_record(bool enabled, const std::filesystem::path& path, std::string_view roman,
                              std::string_view top1, std::string_view word, const std::optional<std::string>& prev_word);

}  // namespace tarovik
