// tvtr-build WORDS.tsv OUT.tvtrie.gz
// Writes the gzip-compressed TVTR lexicon from lines "word<TAB>frequency" (1..65535);
// blank lines and lines starting with '#' are skipped.
#include <cstdio>
#include <fstream>
#include <string>

#include "tvtr_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tvtr-build WORDS.tsv OUT.tvtrie.gz\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tvtr-build: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<tarovik::LexiconWord> words;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    unsigned long freq = 0;
    std::size_t used = 0;
    bool ok = tab != std::string::npos && tab > 0;
    if (ok) {
      try {
        freq = std::stoul(line.substr(tab + 1), &used);
      } catch (...) {
        ok = false;
      }
    }
    if (!ok || used != line.size() - tab - 1 || freq == 0 || freq > 65535) {
      std::fprintf(stderr, "tvtr-build: %s:%zu: expected word<TAB>frequency (1..65535)\n", argv[1], number);
      return 1;
    }
    words.push_back({line.substr(0, tab), static_cast<std::uint16_t>(freq)});
  }
  const std::size_t given = words.size();
  auto trie = tarovik::write_lexicon_trie(std::move(words));
  if (!trie) {
    std::fprintf(stderr, "tvtr-build: %s\n", trie.error().c_str());
    return 1;
  }
  const auto gz = tarovik::gzip_bytes(trie.value());
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(gz.data()), static_cast<std::streamsize>(gz.size()));
  if (!out) {
    std::fprintf(stderr, "tvtr-build: cannot write %s\n", argv[2]);
    return 1;
  }
  const auto& t = trie.value();
  auto u32 = [&](std::size_t at) { return t[at] | (t[at + 1] << 8) | (t[at + 2] << 16) | (t[at + 3] << 24); };
  std::printf("lines %zu, words %u, nodes %u, edge bytes %u, inflated %zu, compressed %zu\n", given, u32(12), u32(4),
              u32(8), t.size(), gz.size());
  return 0;
}
