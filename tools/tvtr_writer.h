#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"

namespace tarovik {

struct LexiconWord {
  std::string text;  // UTF-8
  std::uint16_t freq = 0;
};

// Reads a word list: lines "word<TAB>frequency" (1..65535, UTF-8, LF or CR LF); blank lines
// and lines starting with '#' are skipped. An error starts with its line number ("3: ...").
// A leading byte-order mark is refused: it would become part of the first word.
Result<std::vector<LexiconWord>> read_word_list(std::string_view text);

// Builds a TVTR file (breadth-first nodes, children sorted by first label byte,
// radix-compressed labels) from words. Words are label-encoded; a word given twice keeps
// its highest frequency; empty words and frequency 0 are refused.
Result<std::vector<std::uint8_t>> write_lexicon_trie(std::vector<LexiconWord> words);

// Standard single-member gzip (deflate, no name or extra fields, mtime 0), so equal input
// gives equal bytes.
std::vector<std::uint8_t> gzip_bytes(std::span<const std::uint8_t> bytes);

}  // namespace tarovik
