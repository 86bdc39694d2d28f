#include "tvtr_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <string>

#include "trie/lexicon_trie.h"

namespace tarovik {
namespace {

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int k = 0; k < times; ++k) out += text;
  return out;
}

// 40 label bytes below the root, shared with no other word: a chain of labels of 16, 16 and 8.
const std::string kLongWord = repeat("खगघङच", 8);

std::vector<LexiconWord> sample_words() {
  return {
      {"नेपाल", 60000}, {"नेपाली", 50000}, {"ने", 100}, {"क", 1},   {"कमल", 900},
      {"कम", 500},      {"काम", 700},      {"A", 5},    {"Ab", 6},  {"\u0915\u094D\u200D\u0937", 7},
      {"न\u200Cज", 8},  {kLongWord, 42},   {kLongWord + "को", 43},
      {"कम", 300},  // a repeat: the higher frequency stays
  };
}

std::string label_of(const LexiconTrie& trie, std::uint32_t node) {
  return {reinterpret_cast<const char*>(trie.edge_bytes.data()) + trie.edge_offset[node],
          trie.edge_offset[node + 1] - trie.edge_offset[node]};
}

// Every word of a parsed trie with its frequency, by a walk over all nodes.
std::map<std::string, std::uint16_t> all_words(const LexiconTrie& trie) {
  std::map<std::string, std::uint16_t> words;
  std::vector<std::pair<std::uint32_t, std::string>> stack{{0, ""}};
  while (!stack.empty()) {
    auto [node, key] = stack.back();
    stack.pop_back();
    if (trie.freq[node] != 0) {
      EXPECT_TRUE(words.emplace(decode_trie_label(key), trie.freq[node]).second) << "twice: " << key;
    }
    for (std::uint32_t c = trie.first_child[node]; c < trie.first_child[node + 1]; ++c) {
      stack.emplace_back(c, key + label_of(trie, c));
    }
  }
  return words;
}

LexiconTrie write_and_parse(const std::vector<LexiconWord>& words) {
  auto written = write_lexicon_trie(words);
  EXPECT_TRUE(written.ok()) << (written.ok() ? "" : written.error());
  if (!written.ok()) return {};
  auto parsed = parse_lexicon_trie(written.value());
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error());
  return parsed.ok() ? std::move(parsed).value() : LexiconTrie{};
}

std::vector<std::uint8_t> gunzip_with_zlib(const std::vector<std::uint8_t>& gz) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 16 + MAX_WBITS), Z_OK);
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> chunk(4096);
  stream.next_in = const_cast<Bytef*>(gz.data());
  stream.avail_in = static_cast<uInt>(gz.size());
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = chunk.data();
    stream.avail_out = static_cast<uInt>(chunk.size());
    status = inflate(&stream, Z_NO_FLUSH);
    out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
  }
  EXPECT_EQ(status, Z_STREAM_END);
  EXPECT_EQ(stream.avail_in, 0u);  // a single member, nothing after it
  inflateEnd(&stream);
  return out;
}

TEST(TvtrWriter, EveryWordReadsBackWithItsFrequencyAndNoOther) {
  const LexiconTrie trie = write_and_parse(sample_words());
  std::map<std::string, std::uint16_t> expected;
  for (const auto& w : sample_words()) expected[w.text] = std::max(expected[w.text], w.freq);
  EXPECT_EQ(all_words(trie), expected);
  EXPECT_EQ(trie.word_count, expected.size());
  for (const auto& [word, freq] : expected) EXPECT_EQ(trie_frequency(trie, word), freq) << word;
  // Where one chain label ends, and inside the next: paths, not words.
  for (const std::size_t length : {16, 24}) {
    const std::string prefix = kLongWord.substr(0, length * 3);  // three UTF-8 bytes a letter
    EXPECT_EQ(trie_frequency(trie, prefix), 0);
    EXPECT_EQ(trie_prefix_max_frequency(trie, prefix), 43);
  }
}

TEST(TvtrWriter, LaysOutWhatLookupsRelyOn) {
  const LexiconTrie trie = write_and_parse(sample_words());
  ASSERT_GT(trie.node_count, 1u);
  EXPECT_EQ(label_of(trie, 0), "");
  EXPECT_EQ(trie.freq[0], 0);
  EXPECT_EQ(trie.first_child[trie.node_count], trie.node_count);  // every node is someone's child
  EXPECT_EQ(trie.edge_offset[trie.node_count], trie.edge_bytes.size());

  std::vector<std::uint32_t> depth(trie.node_count, 0);
  std::uint32_t words = 0;
  for (std::uint32_t i = 0; i < trie.node_count; ++i) {
    words += trie.freq[i] != 0;
    const bool leaf = trie.first_child[i] == trie.first_child[i + 1];
    if (leaf) {
      EXPECT_NE(trie.freq[i], 0) << "a leaf where no word ends: " << i;
    }
    // Radix compressed: a single child hangs below a word or a full label, never elsewhere.
    if (i > 0 && trie.freq[i] == 0 && trie.first_child[i + 1] - trie.first_child[i] == 1) {
      EXPECT_EQ(label_of(trie, i).size(), 16u) << i;
    }
    if (i > 0) {
      EXPECT_GE(label_of(trie, i).size(), 1u);
      EXPECT_LE(label_of(trie, i).size(), 16u);
      EXPECT_LE(depth[i - 1], depth[i]) << "not breadth first at " << i;
    }
    for (std::uint32_t c = trie.first_child[i]; c < trie.first_child[i + 1]; ++c) {
      depth[c] = depth[i] + 1;
      if (c > trie.first_child[i]) {
        EXPECT_LT(static_cast<std::uint8_t>(label_of(trie, c - 1)[0]), static_cast<std::uint8_t>(label_of(trie, c)[0]));
      }
    }
  }
  EXPECT_EQ(words, trie.word_count);
}

TEST(TvtrWriter, SameWordsInAnyOrderGiveTheSameFile) {
  auto words = sample_words();
  const auto first = write_lexicon_trie(words);
  std::reverse(words.begin(), words.end());
  const auto reversed = write_lexicon_trie(words);
  ASSERT_TRUE(first.ok() && reversed.ok());
  EXPECT_EQ(first.value(), reversed.value());
}

TEST(TvtrWriter, RefusesWordsItCannotStore) {
  EXPECT_FALSE(write_lexicon_trie({{"क", 1}, {"", 5}}).ok());
  EXPECT_FALSE(write_lexicon_trie({{"क", 0}}).ok());
  EXPECT_FALSE(write_lexicon_trie({{"\U0001F600", 3}}).ok());  // past U+FFFF
  EXPECT_FALSE(write_lexicon_trie({{"\xE0\xA4", 3}}).ok());     // cut-off UTF-8

  const LexiconTrie empty = write_and_parse({});
  EXPECT_EQ(empty.node_count, 1u);
  EXPECT_EQ(empty.word_count, 0u);
}

TEST(TvtrWordList, ReadsLinesAndNamesTheLineAtFault) {
  const auto words = read_word_list("# words\r\nनेपाल\t60000\r\n\nA\t1\n#\tx\nकम\t+5\n");
  EXPECT_EQ(words.error(), "6: expected word<TAB>frequency (1..65535)");
  const auto good = read_word_list("# words\r\nनेपाल\t60000\r\n\nA\t1");
  ASSERT_TRUE(good.ok()) << good.error();
  ASSERT_EQ(good.value().size(), 2u);
  EXPECT_EQ(good.value()[0].text, "नेपाल");
  EXPECT_EQ(good.value()[0].freq, 60000);
  EXPECT_EQ(good.value()[1].text, "A");

  const struct {
    std::string_view text;
    std::string_view error;
  } refused[] = {
      {"\xEF\xBB\xBFनेपाल\t5\n", "1: the file starts with a byte-order mark (EF BB BF); save it as UTF-8 without one"},
      {"क\t65536\n", "1: expected word<TAB>frequency (1..65535)"},
      {"क\t0\n", "1: expected word<TAB>frequency (1..65535)"},
      {"क\n", "1: expected word<TAB>frequency (1..65535)"},
      {"\t5\n", "1: expected word<TAB>frequency (1..65535)"},
      {"\n\U0001F600\t3\n", "2: the word is not valid UTF-8 within U+0000..U+FFFF"},
  };
  for (const auto& row : refused) EXPECT_EQ(read_word_list(row.text).error(), row.error) << row.text;
}

TEST(TvtrWriter, GzipIsStandardAndDeterministic) {
  auto written = write_lexicon_trie(sample_words());
  ASSERT_TRUE(written.ok());
  const auto gz = gzip_bytes(written.value());
  EXPECT_EQ(gz, gzip_bytes(written.value()));
  ASSERT_GE(gz.size(), 18u);
  EXPECT_EQ(gz[0], 0x1F);
  EXPECT_EQ(gz[1], 0x8B);
  EXPECT_EQ(gz[3], 0);  // no name, comment or extra field
  EXPECT_EQ(gz[4] | gz[5] | gz[6] | gz[7], 0);  // mtime
  EXPECT_EQ(gz[9], 255);
  EXPECT_EQ(gunzip_with_zlib(gz), written.value());

  // Input that barely compresses, so the output takes several rounds of the deflater.
  std::vector<std::uint8_t> noise(300000);
  std::uint32_t state = 1;
  for (auto& byte : noise) byte = static_cast<std::uint8_t>((state = state * 1103515245 + 12345) >> 24);
  EXPECT_EQ(gunzip_with_zlib(gzip_bytes(noise)), noise);
  EXPECT_EQ(gunzip_with_zlib(gzip_bytes({})), std::vector<std::uint8_t>{});
}

}  // namespace
}  // namespace tarovik
