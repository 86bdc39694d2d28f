#include "tvtr_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>

#include "trie/lexicon_trie.h"

namespace tarovik {
namespace {

// Every word of a parsed trie with its frequency, by a walk over all nodes.
std::map<std::string, std::uint16_t> all_words(const LexiconTrie& trie) {
  std::map<std::string, std::uint16_t> words;
  std::vector<std::pair<std::uint32_t, std::string>> stack{{0, ""}};
  while (!stack.empty()) {
    auto [node, key] = stack.back();
    stack.pop_back();
    if (trie.freq[node] != 0) words[decode_trie_label(key)] = trie.freq[node];
    for (std::uint32_t c = trie.first_child[node]; c < trie.first_child[node + 1]; ++c) {
      const auto* label = reinterpret_cast<const char*>(trie.edge_bytes.data()) + trie.edge_offset[c];
      stack.emplace_back(c, key + std::string(label, trie.edge_offset[c + 1] - trie.edge_offset[c]));
    }
  }
  return words;
}

std::vector<std::uint8_t> gunzip_with_zlib(const std::vector<std::uint8_t>& gz) {
  z_stream stream{};
  inflateInit2(&stream, 16 + MAX_WBITS);
  std::vector<std::uint8_t> out(1 << 20);
  stream.next_in = const_cast<Bytef*>(gz.data());
  stream.avail_in = static_cast<uInt>(gz.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

TEST(TvtrWriter, WhatItWritesReadsBackWordForWord) {
  const std::string long_word = "प्रतिस्पर्धात्मकताहरू";  // far beyond one 16-byte label
  const std::vector<LexiconWord> words = {
      {"नेपाल", 60000}, {"नेपाली", 50000}, {"ने", 100},   {"क", 1},   {"कमल", 900},       {"कम", 500},
      {"काम", 700},     {"A", 5},          {"\u0915\u094D\u200Dष", 7},  {"न\u200Cज", 8}, {long_word, 42},
      {long_word + "को", 43}, {"कम", 300},  // a repeat: the higher frequency stays
  };
  auto written = write_lexicon_trie(words);
  ASSERT_TRUE(written.ok()) << written.error();
  auto parsed = parse_lexicon_trie(written.value());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const LexiconTrie& trie = parsed.value();

  std::map<std::string, std::uint16_t> expected;
  for (const auto& w : words) expected[w.text] = std::max(expected[w.text], w.freq);
  EXPECT_EQ(all_words(trie), expected);
  EXPECT_EQ(trie.word_count, expected.size());
  for (const auto& [word, freq] : expected) EXPECT_EQ(trie_frequency(trie, word), freq) << word;

  // The layout lookups rely on: labels of 1 to 16 bytes, children sorted by their first byte.
  for (std::uint32_t i = 1; i < trie.node_count; ++i) {
    const std::uint32_t length = trie.edge_offset[i + 1] - trie.edge_offset[i];
    EXPECT_GE(length, 1u);
    EXPECT_LE(length, 16u);
  }
  for (std::uint32_t i = 0; i < trie.node_count; ++i) {
    for (std::uint32_t c = trie.first_child[i] + 1; c < trie.first_child[i + 1]; ++c) {
      EXPECT_LT(trie.edge_bytes[trie.edge_offset[c - 1]], trie.edge_bytes[trie.edge_offset[c]]);
    }
  }
  EXPECT_EQ(trie.first_child[trie.node_count], trie.node_count);
}

TEST(TvtrWriter, RefusesEmptyWordsAndZeroFrequencies) {
  EXPECT_FALSE(write_lexicon_trie({{"", 5}}).ok());
  EXPECT_FALSE(write_lexicon_trie({{"क", 0}}).ok());
  auto empty = write_lexicon_trie({});
  ASSERT_TRUE(empty.ok());
  auto parsed = parse_lexicon_trie(empty.value());
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.value().node_count, 1u);
}

TEST(TvtrWriter, GzipIsStandardAndDeterministic) {
  auto written = write_lexicon_trie({{"नेपाल", 60000}, {"नेपाली", 50000}});
  ASSERT_TRUE(written.ok());
  const auto gz = gzip_bytes(written.value());
  EXPECT_EQ(gz, gzip_bytes(written.value()));
  ASSERT_GE(gz.size(), 18u);
  EXPECT_EQ(gz[0], 0x1F);
  EXPECT_EQ(gz[1], 0x8B);
  EXPECT_EQ(gz[3], 0);  // no name, comment or extra field
  EXPECT_EQ(gunzip_with_zlib(gz), written.value());
}

}  // namespace
}  // namespace tarovik
