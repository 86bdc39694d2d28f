// tvtr-build WORDS.tsv OUT.tvtrie.gz
// Writes the gzip-compressed TVTR lexicon from lines "word<TAB>frequency" (1..65535, UTF-8);
// blank lines and lines starting with '#' are skipped.
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trie/lexicon_trie.h"
#include "tvtr_writer.h"

namespace {

// Digits only: no sign, no spaces, nothing after the number.
std::optional<std::uint16_t> parse_freq(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::uint32_t header_u32(const std::vector<std::uint8_t>& file, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < 4; ++k) value |= static_cast<std::uint32_t>(file[at + k]) << (8 * k);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tvtr-build WORDS.tsv OUT.tvtrie.gz\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tvtr-build: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<tarovik::LexiconWord> words;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved with CRLF
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    const auto freq = tab == std::string::npos ? std::nullopt : parse_freq(std::string_view(line).substr(tab + 1));
    if (tab == 0 || !freq) {
      std::fprintf(stderr, "tvtr-build: %s:%zu: expected word<TAB>frequency (1..65535)\n", argv[1], number);
      return 1;
    }
    std::string word = line.substr(0, tab);
    if (tarovik::decode_trie_label(tarovik::encode_trie_label(word)) != word) {
      std::fprintf(stderr, "tvtr-build: %s:%zu: the word is not valid UTF-8 within U+0000..U+FFFF\n", argv[1], number);
      return 1;
    }
    words.push_back({std::move(word), *freq});
  }
  if (in.bad()) {
    std::fprintf(stderr, "tvtr-build: error reading %s\n", argv[1]);
    return 1;
  }

  auto trie = tarovik::write_lexicon_trie(std::move(words));
  if (!trie) {
    std::fprintf(stderr, "tvtr-build: %s: %s\n", argv[1], trie.error().c_str());
    return 1;
  }
  const std::vector<std::uint8_t>& file = trie.value();
  const std::vector<std::uint8_t> gz = tarovik::gzip_bytes(file);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(gz.data()), static_cast<std::streamsize>(gz.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tvtr-build: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("words %u, nodes %u, edge bytes %u, inflated %zu bytes, compressed %zu bytes\n", header_u32(file, 12),
              header_u32(file, 4), header_u32(file, 8), file.size(), gz.size());
  return 0;
}
