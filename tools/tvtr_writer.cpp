#include "tvtr_writer.h"

#include <zlib.h>

#include <algorithm>
#include <deque>
#include <limits>
#include <optional>
#include <string>

#include "trie/lexicon_trie.h"

namespace tarovik {

namespace {

// Longer runs become a chain of nodes where no word ends, as in the shipped file.
constexpr std::size_t kMaxLabelBytes = 16;

struct Key {
  std::string bytes;  // label code; std::string orders it bytewise, as unsigned chars
  std::uint16_t freq = 0;
};

struct Node {
  std::string label;
  std::uint16_t freq = 0;
  std::vector<std::size_t> children;  // in ascending first label byte
};

// Keys [lo, hi) all share their first `depth` bytes and belong below `parent`.
struct Span {
  std::size_t parent, lo, hi, depth;
};

std::size_t add_chain(std::vector<Node>& nodes, std::size_t parent, std::string_view label) {
  do {
    const std::size_t node = nodes.size();
    nodes.push_back({std::string(label.substr(0, kMaxLabelBytes)), 0, {}});
    nodes[parent].children.push_back(node);
    parent = node;
    label.remove_prefix(std::min(label.size(), kMaxLabelBytes));
  } while (!label.empty());
  return parent;
}

// Radix tree over sorted, distinct, non-empty keys. A work list instead of recursion, so a
// very long word cannot run the stack out.
std::vector<Node> build_radix_tree(const std::vector<Key>& keys) {
  std::vector<Node> nodes(1);
  std::vector<Span> work{{0, 0, keys.size(), 0}};
  while (!work.empty()) {
    auto [parent, lo, hi, depth] = work.back();
    work.pop_back();
    while (lo < hi) {
      const char first = keys[lo].bytes[depth];
      std::size_t end = lo + 1;
      while (end < hi && keys[end].bytes[depth] == first) ++end;
      // Sorted keys: the run the group shares is the one its first and last key share.
      const std::string& a = keys[lo].bytes;
      const std::string& b = keys[end - 1].bytes;
      std::size_t common = depth + 1;
      while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;

      const std::size_t node = add_chain(nodes, parent, std::string_view(a).substr(depth, common - depth));
      std::size_t rest = lo;
      // Only the group's first key can end here; the others run on past it.
      if (a.size() == common) nodes[node].freq = keys[rest++].freq;
      if (rest < end) work.push_back({node, rest, end, common});
      lo = end;
    }
  }
  return nodes;
}

void put_varint(std::vector<std::uint8_t>& out, std::uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

void put_u32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (std::size_t k = 0; k < 4; ++k) out[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

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

}  // namespace

Result<std::vector<LexiconWord>> read_word_list(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) {
    return Error{"1: the file starts with a byte-order mark (EF BB BF); save it as UTF-8 without one"};
  }
  std::vector<LexiconWord> words;
  for (std::size_t number = 1; !text.empty(); ++number) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);  // a file saved with CR LF
    if (line.empty() || line.front() == '#') continue;
    const std::size_t tab = line.find('\t');
    const auto freq = tab == std::string_view::npos ? std::nullopt : parse_freq(line.substr(tab + 1));
    const std::string where = std::to_string(number) + ": ";
    if (tab == 0 || !freq) return Error{where + "expected word<TAB>frequency (1..65535)"};
    std::string word(line.substr(0, tab));
    if (decode_trie_label(encode_trie_label(word)) != word) {
      return Error{where + "the word is not valid UTF-8 within U+0000..U+FFFF"};
    }
    words.push_back({std::move(word), *freq});
  }
  return words;
}

Result<std::vector<std::uint8_t>> write_lexicon_trie(std::vector<LexiconWord> words) {
  std::vector<Key> keys;
  keys.reserve(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    const LexiconWord& word = words[i];
    const std::string where = "word " + std::to_string(i + 1);
    if (word.text.empty()) return Error{where + " is empty"};
    if (word.freq == 0) return Error{where + " (" + word.text + ") has frequency 0"};
    std::string key = encode_trie_label(word.text);
    // Characters past U+FFFF and malformed UTF-8 would come back as other text.
    if (decode_trie_label(key) != word.text) {
      return Error{where + " (" + word.text + ") is not text the label code can give back"};
    }
    keys.push_back({std::move(key), word.freq});
  }
  // Of a word given twice, the highest frequency sorts first and stays.
  std::sort(keys.begin(), keys.end(),
            [](const Key& a, const Key& b) { return a.bytes != b.bytes ? a.bytes < b.bytes : a.freq > b.freq; });
  keys.erase(std::unique(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.bytes == b.bytes; }),
             keys.end());

  const std::vector<Node> nodes = build_radix_tree(keys);
  std::size_t edge_total = 0;
  for (const Node& node : nodes) edge_total += node.label.size();
  constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (nodes.size() > kMax || edge_total > kMax) return Error{"word list too large for a TVTR file"};

  std::vector<std::uint8_t> out(16, 0);
  std::copy_n("TVTR", 4, out.begin());
  put_u32(out, 4, static_cast<std::uint32_t>(nodes.size()));
  put_u32(out, 8, static_cast<std::uint32_t>(edge_total));
  put_u32(out, 12, static_cast<std::uint32_t>(keys.size()));
  // Breadth first, so each node's run of children follows the run of the node before it.
  std::deque<std::size_t> queue{0};
  while (!queue.empty()) {
    const Node& node = nodes[queue.front()];
    queue.pop_front();
    put_varint(out, static_cast<std::uint32_t>(node.children.size()));
    out.push_back(static_cast<std::uint8_t>(node.freq & 0xFF));
    out.push_back(static_cast<std::uint8_t>(node.freq >> 8));
    put_varint(out, static_cast<std::uint32_t>(node.label.size()));
    out.insert(out.end(), node.label.begin(), node.label.end());
    queue.insert(queue.end(), node.children.begin(), node.children.end());
  }
  return out;
}

std::vector<std::uint8_t> gzip_bytes(std::span<const std::uint8_t> bytes) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  // No name, no extra field, mtime 0 and a fixed OS byte (unknown): the same bytes on every
  // machine that builds them.
  gz_header header{};
  header.os = 255;
  deflateSetHeader(&stream, &header);

  std::vector<std::uint8_t> out;
  std::uint8_t chunk[1 << 16];
  std::size_t consumed = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    // avail_in is 32 bits wide: hand the input over in pieces.
    if (stream.avail_in == 0 && consumed < bytes.size()) {
      const std::size_t piece = std::min<std::size_t>(bytes.size() - consumed, 1u << 30);
      stream.next_in = const_cast<Bytef*>(bytes.data() + consumed);
      stream.avail_in = static_cast<uInt>(piece);
      consumed += piece;
    }
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = deflate(&stream, consumed == bytes.size() ? Z_FINISH : Z_NO_FLUSH);
    out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
  }
  deflateEnd(&stream);
  return out;
}

}  // namespace tarovik
