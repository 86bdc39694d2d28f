#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace tarovik {

// The lexicon as a radix trie in flat arrays indexed by node number (node 0 is the root).
// The children of node i are the nodes first_child[i] .. first_child[i + 1] - 1, sorted by
// the first byte of their label.
struct LexiconTrie {
  std::vector<std::uint32_t> first_child;       // node_count + 1 entries
  std::vector<std::uint16_t> freq;              // 0: no word ends at the node
  std::vector<std::uint16_t> subtree_max_freq;  // largest freq of the node and its descendants
  std::vector<std::uint32_t> edge_offset;       // node_count + 1 entries, into edge_bytes
  std::vector<std::uint8_t> edge_bytes;
  std::uint32_t word_count = 0;
  std::uint32_t node_count = 0;
};

// Hands out a TVTR file in chunks, in order; an empty chunk marks its end.
using TvtrChunks = std::function<std::span<const std::uint8_t>()>;

// The most bytes a TVTR file may inflate to. The shipped lexicon takes about 5.5 MB; without a
// cap a small gzip could make the reader take gigabytes.
inline constexpr std::size_t kMaxTvtrFileBytes = 64 * 1024 * 1024;

// Reads an inflated TVTR file, to its end. Refuses any file whose child or label indexes would
// fall outside the arrays, so lookups on a parsed trie never index out of range, and any file
// longer than kMaxTvtrFileBytes or whose header counts a file of that length cannot hold; no
// chunk past the cap is taken. size_hint, the length the file is expected to have, only sizes
// the arrays up front; memory that cannot be had ends the reading with an error.
Result<LexiconTrie> parse_lexicon_trie(const TvtrChunks& next_chunk, std::size_t size_hint);
Result<LexiconTrie> parse_lexicon_trie(std::span<const std::uint8_t> bytes);

// The label byte code: Devanagari block U+0900..U+097F as one byte (code point - 0x900 + 1),
// ZWJ as 0x81, ZWNJ as 0x82, anything else as 0xFF and the low 16 bits of the code point.
std::string encode_trie_label(std::string_view text);
std::string decode_trie_label(std::string_view bytes);

struct ChildLookup {
  bool found = false;
  std::uint32_t node = 0;
};
ChildLookup trie_find_child(const LexiconTrie& trie, std::uint32_t node, std::uint8_t byte);

std::uint16_t trie_frequency(const LexiconTrie& trie, std::string_view word);
std::uint16_t trie_prefix_max_frequency(const LexiconTrie& trie, std::string_view prefix);

}  // namespace tarovik
