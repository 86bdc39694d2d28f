#include <fstream>

#include "win_ime/corrections_log.h"

namespace tarovik {

void append_correction_record(bool enabled, const std::filesystem::path& path, std::string_view roman,
                              std::string_view top1, std::string_view word, const std::optional<std::string>& prev_word) {
  const auto line = prepare_correction_record(enabled, path, roman, top1, word, prev_word);
  if (!line) return;
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (out) out << *line;
}

}  // namespace tarovik
