#include "trie/lexicon_trie.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "base/utf8.h"

namespace tarovik {

namespace {

constexpr std::size_t kHeaderBytes = 16;
// The smallest record: one-byte child count, two frequency bytes, one-byte label length.
constexpr std::size_t kMinRecordBytes = 4;
// The most records and label bytes that a file within the cap can hold after its header.
constexpr std::size_t kMaxNodes = (kMaxTvtrFileBytes - kHeaderBytes) / kMinRecordBytes;
constexpr std::size_t kMaxLabelBytes = kMaxTvtrFileBytes - kHeaderBytes;

std::uint32_t read_u32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// Takes a file's chunks a byte at a time, and none past kMaxTvtrFileBytes.
class TvtrReader {
 public:
  explicit TvtrReader(const TvtrChunks& next_chunk) : next_chunk_(next_chunk) {}

  bool byte(std::uint8_t& out) {
    if (at_ == end_ && !refill()) return false;
    out = *at_++;
    return true;
  }

  bool u16(std::uint16_t& value) {
    std::uint8_t low = 0, high = 0;
    if (!byte(low) || !byte(high)) return false;
    value = static_cast<std::uint16_t>(low | (high << 8));
    return true;
  }

  // Unsigned LEB128 into 32 bits: byte k lands at bit (7 * k) mod 32, so an over-long varint
  // wraps around instead of being refused.
  bool varint(std::uint32_t& value) {
    std::uint8_t b = 0;
    if (!byte(b)) return false;
    value = b & 0x7F;
    for (unsigned shift = 7; (b & 0x80) != 0; shift = (shift + 7) % 32) {
      if (!byte(b)) return false;
      value |= static_cast<std::uint32_t>(b & 0x7F) << shift;
    }
    return true;
  }

  // Reads to the end of the file and gives the file's whole length.
  std::size_t length_to_end() {
    while (refill()) {
    }
    return taken_;
  }

  // Whether a chunk would have taken the file past the cap; it was not taken, nor any after.
  bool past_cap() const { return past_cap_; }

 private:
  bool refill() {
    if (past_cap_) return false;
    const std::span<const std::uint8_t> chunk = next_chunk_();
    if (chunk.size() > kMaxTvtrFileBytes - taken_) {
      past_cap_ = true;
      at_ = end_;
      return false;
    }
    at_ = chunk.data();
    end_ = at_ + chunk.size();
    taken_ += chunk.size();
    return !chunk.empty();
  }

  const TvtrChunks& next_chunk_;
  const std::uint8_t* at_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::size_t taken_ = 0;
  bool past_cap_ = false;
};

std::string_view label_of(const LexiconTrie& trie, std::uint32_t node) {
  const std::uint32_t begin = trie.edge_offset[node];
  return {reinterpret_cast<const char*>(trie.edge_bytes.data()) + begin, trie.edge_offset[node + 1] - begin};
}

void append_label_code(std::string& key, char32_t cp) {
  if (cp >= 0x900 && cp <= 0x97F) {
    key.push_back(static_cast<char>(cp - 0x900 + 1));
  } else if (cp == 0x200D) {
    key.push_back(static_cast<char>(0x81));
  } else if (cp == 0x200C) {
    key.push_back(static_cast<char>(0x82));
  } else {
    key.push_back(static_cast<char>(0xFF));
    key.push_back(static_cast<char>((cp >> 8) & 0xFF));
    key.push_back(static_cast<char>(cp & 0xFF));
  }
}

// Walks key down from the root. With whole_labels the key must end on a node (a word that
// ends inside a label is not a word); without, it may end inside the last label it enters.
std::optional<std::uint32_t> walk(const LexiconTrie& trie, std::string_view key, bool whole_labels) {
  std::uint32_t node = 0;
  for (std::size_t pos = 0; pos < key.size();) {
    const ChildLookup child = trie_find_child(trie, node, static_cast<std::uint8_t>(key[pos]));
    if (!child.found) return std::nullopt;
    const std::string_view label = label_of(trie, child.node);
    const std::size_t remaining = key.size() - pos;
    if (whole_labels && label.size() > remaining) return std::nullopt;
    const std::size_t compared = std::min(label.size(), remaining);
    if (label.substr(0, compared) != key.substr(pos, compared)) return std::nullopt;
    pos += label.size();
    node = child.node;
  }
  return node;
}

struct TvtrHeader {
  std::uint32_t node_count = 0;
  std::uint32_t edge_total = 0;
  std::uint32_t word_count = 0;
};

std::string cap_text() { return std::to_string(kMaxTvtrFileBytes >> 20) + " MiB"; }

Result<TvtrHeader> read_header(TvtrReader& reader) {
  std::array<std::uint8_t, kHeaderBytes> bytes{};
  for (std::uint8_t& b : bytes) {
    if (!reader.byte(b)) return Error{"Invalid TVTR buffer: too short"};
  }
  if (std::memcmp(bytes.data(), "TVTR", 4) != 0) return Error{"Invalid TVTR magic header"};
  const TvtrHeader header{read_u32(bytes, 4), read_u32(bytes, 8), read_u32(bytes, 12)};
  // Every lookup starts at the root.
  if (header.node_count == 0) return Error{"Invalid TVTR trie: no root node"};
  // The counts are only claims, checked before anything is allocated for them: a few
  // hundred bytes of gzip can state counts that only gigabytes could hold.
  if (header.node_count > kMaxNodes) {
    return Error{"Invalid TVTR trie: " + std::to_string(header.node_count) + " nodes do not fit in " + cap_text()};
  }
  if (header.edge_total > kMaxLabelBytes) {
    return Error{"Invalid TVTR trie: " + std::to_string(header.edge_total) + " label bytes do not fit in " +
                 cap_text()};
  }
  return header;
}

// Reserves no more than the file could hold, so a small file with a large count ends in an
// EOF error instead of a large allocation. The hint only sizes: a wrong one costs regrowth.
void reserve_arrays(LexiconTrie& trie, std::uint32_t edge_total, std::size_t size_hint) {
  const std::size_t body_hint = size_hint > kHeaderBytes ? size_hint - kHeaderBytes : 0;
  const std::size_t records = std::min<std::size_t>(trie.node_count, body_hint / kMinRecordBytes) + 1;
  trie.first_child.reserve(records);
  trie.freq.reserve(records);
  trie.edge_offset.reserve(records);
  trie.edge_bytes.reserve(std::min<std::size_t>(edge_total, body_hint));
}

std::optional<Error> read_records(TvtrReader& reader, LexiconTrie& trie, std::uint32_t edge_total) {
  std::uint64_t next_child = 1;  // the true total: a saturated one could pass for node_count
  constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint32_t>::max();
  // Children get higher numbers than their parent and stay below node_count. That keeps every
  // child index inside the arrays, lets the backward subtree pass see each child finished, and
  // makes every walk down the trie end. Checked once every record has been read.
  std::optional<std::uint32_t> child_before_parent;
  for (std::uint32_t i = 0; i < trie.node_count; ++i) {
    const auto first_child = static_cast<std::uint32_t>(std::min(next_child, kSaturated));
    trie.first_child.push_back(first_child);
    std::uint32_t child_count = 0;
    if (!reader.varint(child_count)) return Error{"Unexpected EOF reading varint in TVTR trie"};
    if (child_count != 0 && first_child <= i && !child_before_parent) child_before_parent = i;
    next_child += child_count;

    std::uint16_t freq = 0;
    if (!reader.u16(freq)) return Error{"Unexpected EOF reading freq in TVTR trie"};
    trie.freq.push_back(freq);

    std::uint32_t edge_len = 0;
    if (!reader.varint(edge_len)) return Error{"Unexpected EOF reading varint in TVTR trie"};
    const std::size_t edge_cursor = trie.edge_bytes.size();
    trie.edge_offset.push_back(static_cast<std::uint32_t>(edge_cursor));
    if (edge_cursor + edge_len > edge_total) return Error{"Unexpected EOF reading edge bytes in TVTR trie"};
    for (std::uint32_t k = 0; k < edge_len; ++k) {
      std::uint8_t b = 0;
      if (!reader.byte(b)) return Error{"Unexpected EOF reading edge bytes in TVTR trie"};
      trie.edge_bytes.push_back(b);
    }
  }
  trie.first_child.push_back(static_cast<std::uint32_t>(std::min(next_child, kSaturated)));
  trie.edge_offset.push_back(static_cast<std::uint32_t>(trie.edge_bytes.size()));
  if (next_child > trie.node_count) return Error{"Invalid TVTR trie: child counts run past the last node"};
  if (child_before_parent) {
    return Error{"Invalid TVTR trie: node " + std::to_string(*child_before_parent) +
                 " has a child numbered at or before itself"};
  }
  return std::nullopt;
}

// Children have higher numbers than their parent, so a backward pass has each child's
// maximum final before its parent reads it.
void fill_subtree_maxima(LexiconTrie& trie) {
  trie.subtree_max_freq = trie.freq;
  for (std::uint32_t i = trie.node_count; i-- > 0;) {
    std::uint16_t best = trie.subtree_max_freq[i];
    for (std::uint32_t c = trie.first_child[i]; c < trie.first_child[i + 1]; ++c) {
      best = std::max(best, trie.subtree_max_freq[c]);
    }
    trie.subtree_max_freq[i] = best;
  }
}

Result<LexiconTrie> read_trie(TvtrReader& reader, std::size_t size_hint) {
  const Result<TvtrHeader> header = read_header(reader);
  if (!header) return Error{header.error()};
  LexiconTrie trie;
  trie.node_count = header.value().node_count;
  trie.word_count = header.value().word_count;
  const std::uint32_t edge_total = header.value().edge_total;
  reserve_arrays(trie, edge_total, size_hint);
  if (std::optional<Error> error = read_records(reader, trie, edge_total)) return std::move(*error);

  // Labels past the ones read are zero bytes; a total the file cannot hold is a lie. Bytes
  // after the last record count towards what it holds.
  const std::size_t body = reader.length_to_end() - kHeaderBytes;
  if (edge_total > body) return Error{"Invalid TVTR trie: label total larger than the file"};
  trie.edge_bytes.resize(edge_total, 0);
  fill_subtree_maxima(trie);
  return trie;
}

}  // namespace

Result<LexiconTrie> parse_lexicon_trie(std::span<const std::uint8_t> bytes) {
  bool given = false;
  const TvtrChunks whole = [&]() -> std::span<const std::uint8_t> {
    if (given) return {};
    given = true;
    return bytes;
  };
  return parse_lexicon_trie(whole, bytes.size());
}

Result<LexiconTrie> parse_lexicon_trie(const TvtrChunks& next_chunk, std::size_t size_hint) {
  TvtrReader reader(next_chunk);
  // Within the cap the arrays still take up to a few hundred MiB: a refused allocation is
  // that file's error, not the program's end.
  try {
    Result<LexiconTrie> trie = read_trie(reader, size_hint);
    // Whatever a file cut off at the cap ran into, its length is the cause.
    if (reader.past_cap()) return Error{"Invalid TVTR trie: file larger than " + cap_text()};
    return trie;
  } catch (const std::bad_alloc&) {
    return Error{"Out of memory reading TVTR trie"};
  }
}

std::string encode_trie_label(std::string_view text) {
  std::string key;
  key.reserve(text.size() * 2);
  for (std::size_t pos = 0; pos < text.size();) append_label_code(key, utf8::next(text, pos));
  return key;
}

std::string decode_trie_label(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (byte >= 0x01 && byte <= 0x80) {
      utf8::append(text, 0x900 + byte - 1);
    } else if (byte == 0x81) {
      utf8::append(text, 0x200D);
    } else if (byte == 0x82) {
      utf8::append(text, 0x200C);
    } else if (byte == 0xFF && bytes.size() - i > 2) {
      const char32_t cp = (static_cast<char32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8) |
                          static_cast<std::uint8_t>(bytes[i + 2]);
      // A surrogate has no UTF-8 form; its three bytes still go.
      if (cp < 0xD800 || cp > 0xDFFF) utf8::append(text, cp);
      i += 2;
    }
    // 0x00, 0x83..0xFE and a 0xFF too near the end stand for nothing.
  }
  return text;
}

ChildLookup trie_find_child(const LexiconTrie& trie, std::uint32_t node, std::uint8_t byte) {
  if (node >= trie.node_count) return {};
  std::int64_t lo = trie.first_child[node];
  std::int64_t hi = static_cast<std::int64_t>(trie.first_child[node + 1]) - 1;
  while (lo <= hi) {
    const std::int64_t mid = (lo + hi) / 2;
    const auto m = static_cast<std::uint32_t>(mid);
    // An empty label has no first byte to match, and its offset may sit at the very end of
    // edge_bytes. Loading lets such a node through (and unsorted children, where the search
    // merely misses), because neither can index out of range here.
    const int first = trie.edge_offset[m] < trie.edge_offset[m + 1] ? trie.edge_bytes[trie.edge_offset[m]] : -1;
    if (first == byte) return {true, m};
    if (first < byte) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return {};
}

std::uint16_t trie_frequency(const LexiconTrie& trie, std::string_view word) {
  // Not the root's frequency: the empty text is no word.
  if (word.empty() || trie.node_count == 0) return 0;
  const auto node = walk(trie, encode_trie_label(word), true);
  return node ? trie.freq[*node] : 0;
}

std::uint16_t trie_prefix_max_frequency(const LexiconTrie& trie, std::string_view prefix) {
  if (trie.node_count == 0) return 0;
  const auto node = walk(trie, encode_trie_label(prefix), false);
  return node ? trie.subtree_max_freq[*node] : 0;
}

}  // namespace tarovik
