#include "tvtr_writer.h"

#include <zlib.h>

#include <algorithm>
#include <deque>
#include <string>

#include "trie/lexicon_trie.h"

namespace tarovik {

namespace {

constexpr std::size_t kMaxLabelBytes = 16;

struct Node {
  std::string label;
  std::uint16_t freq = 0;
  std::vector<std::size_t> children;  // indexes into the node list, in ascending first byte
};

struct Key {
  std::string bytes;
  std::uint16_t freq;
};

class TrieBuilder {
 public:
  explicit TrieBuilder(const std::vector<Key>& keys) : keys_(keys) { nodes_.push_back({}); }

  std::vector<Node> build() {
    std::size_t lo = 0;
    if (!keys_.empty() && keys_[0].bytes.empty()) ++lo;  // refused earlier; kept safe here
    add_children(0, lo, keys_.size(), 0);
    return std::move(nodes_);
  }

 private:
  // Adds the nodes for keys[lo, hi), which all share their first depth bytes, below parent.
  void add_children(std::size_t parent, std::size_t lo, std::size_t hi, std::size_t depth) {
    while (lo < hi) {
      const char first = keys_[lo].bytes[depth];
      std::size_t end = lo + 1;
      while (end < hi && keys_[end].bytes[depth] == first) ++end;
      // Sorted keys: the common prefix of the group is that of its first and last key.
      const std::string& a = keys_[lo].bytes;
      const std::string& b = keys_[end - 1].bytes;
      std::size_t common = depth + 1;
      while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;

      std::size_t node = append_chain(parent, a.substr(depth, common - depth));
      std::size_t rest = lo;
      if (a.size() == common) nodes_[node].freq = keys_[rest++].freq;
      add_children(node, rest, end, common);
      lo = end;
    }
  }

  // Labels longer than kMaxLabelBytes become a chain of nodes where no word ends.
  std::size_t append_chain(std::size_t parent, std::string label) {
    while (true) {
      const std::size_t node = nodes_.size();
      nodes_.push_back({label.substr(0, kMaxLabelBytes), 0, {}});
      nodes_[parent].children.push_back(node);
      if (label.size() <= kMaxLabelBytes) return node;
      label.erase(0, kMaxLabelBytes);
      parent = node;
    }
  }

  const std::vector<Key>& keys_;
  std::vector<Node> nodes_;
};

void put_varint(std::vector<std::uint8_t>& out, std::uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

void put_u32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) out[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

}  // namespace

Result<std::vector<std::uint8_t>> write_lexicon_trie(std::vector<LexiconWord> words) {
  std::vector<Key> keys;
  keys.reserve(words.size());
  for (LexiconWord& word : words) {
    if (word.text.empty()) return Error{"empty word in the word list"};
    if (word.freq == 0) return Error{"word with frequency 0: " + word.text};
    keys.push_back({encode_trie_label(word.text), word.freq});
  }
  // Byte order of the label code, which is also the children's order in the file; of a
  // word given twice the highest frequency stays.
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    const auto ua = std::basic_string_view<unsigned char>(reinterpret_cast<const unsigned char*>(a.bytes.data()), a.bytes.size());
    const auto ub = std::basic_string_view<unsigned char>(reinterpret_cast<const unsigned char*>(b.bytes.data()), b.bytes.size());
    return ua != ub ? ua < ub : a.freq > b.freq;
  });
  keys.erase(std::unique(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.bytes == b.bytes; }),
             keys.end());

  const std::vector<Node> nodes = TrieBuilder(keys).build();

  std::vector<std::uint8_t> out(16, 0);
  std::copy_n("TVTR", 4, out.begin());
  std::uint32_t edge_total = 0;
  std::uint32_t count = 0;
  // Breadth first: each node's children follow the run of the node before it.
  std::deque<std::size_t> queue{0};
  while (!queue.empty()) {
    const Node& node = nodes[queue.front()];
    queue.pop_front();
    ++count;
    put_varint(out, static_cast<std::uint32_t>(node.children.size()));
    out.push_back(static_cast<std::uint8_t>(node.freq & 0xFF));
    out.push_back(static_cast<std::uint8_t>(node.freq >> 8));
    put_varint(out, static_cast<std::uint32_t>(node.label.size()));
    out.insert(out.end(), node.label.begin(), node.label.end());
    edge_total += static_cast<std::uint32_t>(node.label.size());
    queue.insert(queue.end(), node.children.begin(), node.children.end());
  }
  put_u32(out, 4, count);
  put_u32(out, 8, edge_total);
  put_u32(out, 12, static_cast<std::uint32_t>(keys.size()));
  return out;
}

std::vector<std::uint8_t> gzip_bytes(std::span<const std::uint8_t> bytes) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  gz_header header{};
  header.time = 0;
  header.os = 255;  // unknown: the same bytes on every build machine
  deflateSetHeader(&stream, &header);

  std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64);
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace tarovik
