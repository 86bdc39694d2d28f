#include "trie/lexicon_trie.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarovik {
namespace {

using ::testing::StartsWith;

// Writes TVTR files record by record, so each test states its bytes.
class TvtrBytes {
 public:
  TvtrBytes(std::uint32_t nodes, std::uint32_t edge_total, std::uint32_t words = 0) {
    bytes_ = {'T', 'V', 'T', 'R'};
    u32(nodes);
    u32(edge_total);
    u32(words);
  }
  TvtrBytes& node(std::uint32_t children, std::uint16_t freq, std::initializer_list<std::uint8_t> label) {
    varint(children);
    bytes_.push_back(static_cast<std::uint8_t>(freq & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(freq >> 8));
    varint(static_cast<std::uint32_t>(label.size()));
    bytes_.insert(bytes_.end(), label);
    return *this;
  }
  TvtrBytes& raw(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  std::vector<std::uint8_t> bytes() const { return bytes_; }

 private:
  void u32(std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
  }
  void varint(std::uint32_t v) {
    while (v >= 0x80) {
      bytes_.push_back(static_cast<std::uint8_t>(v | 0x80));
      v >>= 7;
    }
    bytes_.push_back(static_cast<std::uint8_t>(v));
  }
  std::vector<std::uint8_t> bytes_;
};

std::uint8_t code(char32_t devanagari) { return static_cast<std::uint8_t>(devanagari - 0x900 + 1); }

// Words "कम" (500), "कमल" (900) and "कान" (300); "का" is a path, not a word.
//   root ── क (0) ─┬─ म (500) ── ल (900)
//                  └─ ा (0) ── न (300)
std::vector<std::uint8_t> sample_file() {
  return TvtrBytes(6, 6, 4)
      .node(1, 0, {})
      .node(2, 0, {code(U'क')})
      .node(1, 500, {code(U'म')})
      .node(1, 0, {code(U'ा')})
      .node(0, 900, {code(U'ल')})
      .node(0, 300, {code(U'न')})
      .bytes();
}

// root ── क (0) ── मल (900): "कम" ends inside the label "मल".
std::vector<std::uint8_t> sample_with_long_label() {
  return TvtrBytes(3, 3, 1).node(1, 0, {}).node(1, 0, {code(U'क')}).node(0, 900, {code(U'म'), code(U'ल')}).bytes();
}

LexiconTrie parse(const std::vector<std::uint8_t>& bytes) {
  auto trie = parse_lexicon_trie(bytes);
  EXPECT_TRUE(trie.ok()) << (trie.ok() ? "" : trie.error());
  return trie.ok() ? std::move(trie).value() : LexiconTrie{};
}

std::string error_of(const std::vector<std::uint8_t>& bytes) {
  auto trie = parse_lexicon_trie(bytes);
  return trie.ok() ? "(parsed)" : trie.error();
}

TEST(TrieParse, BuildsFlatArraysAndSubtreeMaxima) {
  const LexiconTrie trie = parse(sample_file());
  EXPECT_EQ(trie.node_count, 6u);
  EXPECT_EQ(trie.word_count, 4u);  // kept as given, though three nodes hold words
  EXPECT_EQ(trie.first_child, (std::vector<std::uint32_t>{1, 2, 4, 5, 6, 6, 6}));
  EXPECT_EQ(trie.edge_offset, (std::vector<std::uint32_t>{0, 0, 1, 2, 3, 4, 5}));
  // The header's total, though only five label bytes were read; bytes after the file's end ignored.
  EXPECT_EQ(trie.edge_bytes, (std::vector<std::uint8_t>{code(U'क'), code(U'म'), code(U'ा'), code(U'ल'), code(U'न'), 0}));
  EXPECT_EQ(trie.subtree_max_freq, (std::vector<std::uint16_t>{900, 900, 900, 300, 900, 300}));
  auto longer = sample_file();
  longer.push_back(0xEE);
  EXPECT_EQ(parse(longer).first_child, trie.first_child);
}

TEST(TrieParse, EachErrorText) {
  EXPECT_EQ(error_of(std::vector<std::uint8_t>(15, 0)), "Invalid TVTR buffer: too short");
  auto bad_magic = sample_file();
  bad_magic[3] = 'r';
  EXPECT_EQ(error_of(bad_magic), "Invalid TVTR magic header");
  EXPECT_EQ(error_of(TvtrBytes(1, 0).raw({0x80}).bytes()), "Unexpected EOF reading varint in TVTR trie");
  EXPECT_EQ(error_of(TvtrBytes(1, 0).raw({0x00, 0x01}).bytes()), "Unexpected EOF reading freq in TVTR trie");
  // The frequency takes the last two bytes: the label length is missing.
  EXPECT_EQ(error_of(TvtrBytes(1, 0).raw({0x00, 0x01, 0x00}).bytes()), "Unexpected EOF reading varint in TVTR trie");
  auto cut_label = sample_with_long_label();
  cut_label.pop_back();
  EXPECT_EQ(error_of(cut_label), "Unexpected EOF reading edge bytes in TVTR trie");
  // Labels adding up to more than the header's total.
  EXPECT_EQ(error_of(TvtrBytes(2, 1).node(1, 0, {}).node(0, 5, {1, 2}).bytes()),
            "Unexpected EOF reading edge bytes in TVTR trie");
}

TEST(TrieParse, EveryTruncationFailsCleanly) {
  const auto whole = sample_file();
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(parse_lexicon_trie(cut).ok()) << size;
  }
}

TEST(TrieParse, RefusesFilesThatLookupsCouldNotIndexSafely) {
  EXPECT_THAT(error_of(TvtrBytes(0, 0).bytes()), StartsWith("Invalid TVTR trie"));
  // The root claims two children but only one node follows: child index 2 reaches node_count.
  EXPECT_THAT(error_of(TvtrBytes(2, 1).node(2, 0, {}).node(0, 5, {1}).bytes()), StartsWith("Invalid TVTR trie"));
  // A child count so large that the running total saturates.
  EXPECT_THAT(error_of(TvtrBytes(2, 1).node(0xFFFFFFFF, 0, {}).node(0, 5, {1}).bytes()),
              StartsWith("Invalid TVTR trie"));
  // Node 1 would be its own child.
  EXPECT_THAT(error_of(TvtrBytes(2, 1).node(0, 0, {}).node(1, 5, {1}).bytes()), StartsWith("Invalid TVTR trie"));
  // Node 2's child would be node 1, before it.
  EXPECT_THAT(error_of(TvtrBytes(3, 2).node(0, 0, {}).node(0, 5, {1}).node(1, 5, {2}).bytes()),
              StartsWith("Invalid TVTR trie"));
  // Headers promising gigabytes to a file of a few bytes: an error, not an allocation.
  EXPECT_THAT(error_of(TvtrBytes(1, 0xFFFFFFF0).node(0, 0, {}).bytes()), StartsWith("Invalid TVTR trie"));
  EXPECT_EQ(error_of(TvtrBytes(0xFFFFFFFF, 0xFFFFFFFF).node(0, 0, {}).bytes()),
            "Invalid TVTR trie: 4294967295 nodes do not fit in 64 MiB");
}

// A header and then zero bytes, empty leaf records, up to a length: handed out in chunks as
// the inflater hands them, so a file of gigabytes costs the test no memory.
class ZeroPaddedFile {
 public:
  static constexpr std::size_t kChunk = 64 * 1024;

  ZeroPaddedFile(std::vector<std::uint8_t> header, std::size_t length)
      : header_(std::move(header)), zeros_(kChunk, 0), length_(length) {}
  std::span<const std::uint8_t> next() {
    if (handed_out_ == 0) {
      handed_out_ = header_.size();
      return header_;
    }
    const std::size_t size = std::min(kChunk, length_ - handed_out_);
    handed_out_ += size;
    return std::span(zeros_).first(size);
  }
  std::size_t handed_out() const { return handed_out_; }

 private:
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> zeros_;
  std::size_t length_;
  std::size_t handed_out_ = 0;
};

struct LongFile {
  std::uint32_t nodes, edge_total;
  std::size_t length;
  std::string_view error;  // empty: the file parses
};
constexpr std::size_t kCap = kMaxTvtrFileBytes;
// (64 MiB - 16) / 4 = 16777212 records and 64 MiB - 16 = 67108848 label bytes fit.
constexpr LongFile kLongFiles[] = {
    {0xFFFFFFFF, 0, kCap + 1, "Invalid TVTR trie: 4294967295 nodes do not fit in 64 MiB"},
    {16777213, 0, 20, "Invalid TVTR trie: 16777213 nodes do not fit in 64 MiB"},
    {16777212, 0, 20, "Unexpected EOF reading varint in TVTR trie"},
    {1, 0xFFFFFFFF, kCap + 1, "Invalid TVTR trie: 4294967295 label bytes do not fit in 64 MiB"},
    {1, 67108849, kCap + 1, "Invalid TVTR trie: 67108849 label bytes do not fit in 64 MiB"},
    {1, 67108848, 20, "Invalid TVTR trie: label total larger than the file"},
    {1, 0, kCap, ""},
    {1, 0, kCap + 1, "Invalid TVTR trie: file larger than 64 MiB"},
    {1, 0, 4 * kCap, "Invalid TVTR trie: file larger than 64 MiB"},
};

TEST(TrieParse, RefusesWhatNoFileWithinTheCapCouldHoldBeforeAllocatingIt) {
  for (const LongFile& row : kLongFiles) {
    ZeroPaddedFile file(TvtrBytes(row.nodes, row.edge_total).bytes(), row.length);
    auto trie = parse_lexicon_trie([&] { return file.next(); }, row.length);
    EXPECT_EQ(trie.ok() ? "" : trie.error(), row.error) << row.nodes << " " << row.edge_total << " " << row.length;
    // No chunk after the one that would cross the cap is taken.
    EXPECT_LE(file.handed_out(), kCap + ZeroPaddedFile::kChunk) << row.length;
  }
}

// Lookups, and a walk down all children as a completion would take, stay inside the arrays
// of whatever a file parses to; the walk ends, meeting each node at most once.
void expect_safe_to_walk(const LexiconTrie& trie) {
  ASSERT_EQ(trie.first_child.size(), trie.node_count + std::size_t{1});
  ASSERT_LE(trie.first_child.back(), trie.node_count);
  ASSERT_LE(trie.edge_offset.back(), trie.edge_bytes.size());
  std::size_t visits = 0;
  std::vector<std::uint32_t> stack{0};
  while (!stack.empty() && visits <= trie.node_count) {
    const std::uint32_t node = stack.back();
    stack.pop_back();
    ++visits;
    for (int b = 0; b < 256; ++b) trie_find_child(trie, node, static_cast<std::uint8_t>(b));
    for (std::uint32_t c = trie.first_child[node]; c < trie.first_child[node + 1]; ++c) {
      ASSERT_GT(c, node);
      ASSERT_LE(trie.edge_offset[c], trie.edge_offset[c + 1]);
      stack.push_back(c);
    }
  }
  EXPECT_LE(visits, trie.node_count);
  for (const char* word : {"क", "कम", "कमल", "कान", "कमलल", "A"}) {
    trie_frequency(trie, word);
    trie_prefix_max_frequency(trie, word);
  }
}

TEST(TrieParse, DamagedFilesParseSafelyOrFail) {
  const auto whole = sample_file();
  for (std::size_t at = 0; at < whole.size(); ++at) {
    for (const std::uint8_t value : {0x00, 0x01, 0x02, 0x05, 0x07, 0x7F, 0x80, 0xFF}) {
      auto damaged = whole;
      damaged[at] = value;
      auto trie = parse_lexicon_trie(damaged);
      if (trie.ok()) expect_safe_to_walk(trie.value());
    }
  }
}

TEST(TrieParse, KeepsHarmlessOddities) {
  // Empty labels: node 1 before its sibling, node 3 at the very end of edge_bytes. They match
  // no byte, so the search passes node 1 by.
  const LexiconTrie empty_labels =
      parse(TvtrBytes(4, 1).node(2, 0, {}).node(0, 7, {}).node(1, 5, {code(U'क')}).node(0, 9, {}).bytes());
  EXPECT_EQ(trie_frequency(empty_labels, "क"), 5);
  EXPECT_FALSE(trie_find_child(empty_labels, 2, 0xFF).found);
  EXPECT_EQ(empty_labels.subtree_max_freq[0], 9);

  // Children out of order: the search may miss one, and nothing worse.
  const LexiconTrie unsorted =
      parse(TvtrBytes(3, 2).node(2, 0, {}).node(0, 5, {code(U'म')}).node(0, 6, {code(U'क')}).bytes());
  EXPECT_EQ(trie_frequency(unsorted, "म"), 5);
  EXPECT_EQ(trie_frequency(unsorted, "क"), 0);
  expect_safe_to_walk(unsorted);
}

TEST(TrieParse, VarintShiftWrapsAtThirtyTwoBits) {
  // A label length in six bytes: the sixth group lands at bit 35 mod 32 = 3, giving 8.
  const auto bytes =
      TvtrBytes(1, 8).raw({0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01, 1, 2, 3, 4, 5, 6, 7, 8}).bytes();
  EXPECT_EQ(parse(bytes).edge_bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  // An over-long encoding of 1 is accepted.
  const auto long_len = TvtrBytes(1, 1).raw({0, 0, 0, 0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00, 9}).bytes();
  EXPECT_EQ(parse(long_len).edge_bytes, (std::vector<std::uint8_t>{9}));
}

TEST(TrieLookup, FrequencyOfWholeWordsOnly) {
  const LexiconTrie trie = parse(sample_file());
  EXPECT_EQ(trie_frequency(trie, "कम"), 500);
  EXPECT_EQ(trie_frequency(trie, "कमल"), 900);
  EXPECT_EQ(trie_frequency(trie, "कान"), 300);
  EXPECT_EQ(trie_frequency(trie, "का"), 0);  // an inner node where no word ends
  EXPECT_EQ(trie_frequency(trie, "काम"), 0);
  EXPECT_EQ(trie_frequency(trie, ""), 0);
  EXPECT_EQ(trie_frequency(trie, "कमलA"), 0);
  EXPECT_EQ(trie_frequency(trie, "A"), 0);
  EXPECT_EQ(trie_frequency(LexiconTrie{}, "क"), 0);
}

TEST(TrieLookup, PrefixMaximumMayEndInsideALabel) {
  const LexiconTrie trie = parse(sample_file());
  EXPECT_EQ(trie_prefix_max_frequency(trie, "क"), 900);
  EXPECT_EQ(trie_prefix_max_frequency(trie, "का"), 300);  // not a word, but words start with it
  EXPECT_EQ(trie_prefix_max_frequency(trie, "कि"), 0);
  EXPECT_EQ(trie_prefix_max_frequency(trie, "कमलल"), 0);

  const LexiconTrie long_label = parse(sample_with_long_label());
  EXPECT_EQ(trie_frequency(long_label, "कम"), 0);
  EXPECT_EQ(trie_prefix_max_frequency(long_label, "कम"), 900);
  EXPECT_EQ(trie_prefix_max_frequency(long_label, "कन"), 0);
  EXPECT_EQ(trie_prefix_max_frequency(long_label, "कमा"), 0);
}

TEST(TrieLookup, FindChildBySearchingFirstLabelBytes) {
  const LexiconTrie trie = parse(sample_file());
  EXPECT_EQ(trie_find_child(trie, 1, code(U'म')).node, 2u);
  EXPECT_EQ(trie_find_child(trie, 1, code(U'ा')).node, 3u);
  EXPECT_FALSE(trie_find_child(trie, 1, code(U'ि')).found);
  EXPECT_FALSE(trie_find_child(trie, 4, code(U'ल')).found);  // a leaf
  EXPECT_FALSE(trie_find_child(trie, 6, code(U'क')).found);  // past the last node
}

TEST(TrieLabelCode, EncodesDevanagariJoinersAndOtherCharacters) {
  EXPECT_EQ(encode_trie_label("क्त"), "\x16\x4E\x25");
  EXPECT_EQ(encode_trie_label("\u0900\u097F"), "\x01\x80");
  EXPECT_EQ(encode_trie_label("\u200D\u200C"), "\x81\x82");
  EXPECT_EQ(encode_trie_label("A"), std::string("\xFF\x00\x41", 3));
  EXPECT_EQ(encode_trie_label("\U0001F600"), std::string("\xFF\xF6\x00", 3));  // only the low 16 bits stay
  EXPECT_EQ(encode_trie_label(""), "");
}

TEST(TrieLabelCode, DecodeSkipsWhatStandsForNothing) {
  EXPECT_EQ(decode_trie_label("\x16\x4E\x25"), "क्त");
  EXPECT_EQ(decode_trie_label(std::string("\xFF\x00\x41", 3)), "A");
  EXPECT_EQ(decode_trie_label("\x16\xFF"), "क");
  EXPECT_EQ(decode_trie_label("\xFF\x16"), "क");  // too near the end: 0xFF goes alone
  EXPECT_EQ(decode_trie_label(std::string("\xFF\xD8\x00", 3)), "");
  EXPECT_EQ(decode_trie_label(std::string("\xFF\xDF\xFF\x16", 4)), "क");
  EXPECT_EQ(decode_trie_label("\x81\x82"), "\u200D\u200C");
  std::string nothing(1, '\0');
  for (int b = 0x83; b <= 0xFE; ++b) nothing.push_back(static_cast<char>(b));
  EXPECT_EQ(decode_trie_label(nothing + "\x16"), "क");
  EXPECT_EQ(decode_trie_label(encode_trie_label("नेपाल\u200Dक A\u200Cé")), "नेपाल\u200Dक A\u200Cé");
}

}  // namespace
}  // namespace tarovik
