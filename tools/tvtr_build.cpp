// tvtr-build WORDS.tsv OUT.tvtrie.gz
// Writes the gzip-compressed TVTR lexicon from lines "word<TAB>frequency" (1..65535, UTF-8);
// blank lines and lines starting with '#' are skipped; a byte-order mark is refused.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tvtr_writer.h"

namespace {

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
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    std::fprintf(stderr, "tvtr-build: error reading %s\n", argv[1]);
    return 1;
  }
  auto words = tarovik::read_word_list(text);
  if (!words) {
    std::fprintf(stderr, "tvtr-build: %s:%s\n", argv[1], words.error().c_str());
    return 1;
  }

  auto trie = tarovik::write_lexicon_trie(std::move(words).value());
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
