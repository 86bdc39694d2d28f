#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "trie/result.h"

namespace tarovik {

struct LexiconWord {
  std::string text;  // UTF-8
  std::uint16_t freq = 0;
};

// Builds a TVTR file (breadth-first nodes, children sorted by first label byte,
// radix-compressed labels) from words. Words are label-encoded; a word given twice keeps
// its highest frequency; empty words and frequency 0 are refused.
Result<std::vector<std::uint8_t>> write_lexicon_trie(std::vector<LexiconWord> words);

// Standard single-member gzip (deflate, no name or extra fields, mtime 0), so equal input
// gives equal bytes.
std::vector<std::uint8_t> gzip_bytes(std::span<const std::uint8_t> bytes);

}  // namespace tarovik
