#include "phonetic/embedded_data.h"

// Symbols laid down by the generated assembler file (cmake/embed.cmake).
extern "C" {
// Declared as text, as the Studio's asset table declares the same lexicon bytes.
extern const char tarovik_lexicon_gz_begin[], tarovik_lexicon_gz_end[];
extern const char tarovik_rules_json_begin[], tarovik_rules_json_end[];
extern const char tarovik_aliases_json_begin[], tarovik_aliases_json_end[];
extern const char tarovik_bigrams_json_begin[], tarovik_bigrams_json_end[];
extern const char tarovik_semantic_classes_json_begin[], tarovik_semantic_classes_json_end[];
}

namespace tarovik::embedded {

namespace {
std::string_view text(const char* begin, const char* end) {
  return {begin, static_cast<std::size_t>(end - begin)};
}
}  // namespace

std::span<const std::uint8_t> lexicon_gz() {
  return {reinterpret_cast<const std::uint8_t*>(tarovik_lexicon_gz_begin),
          static_cast<std::size_t>(tarovik_lexicon_gz_end - tarovik_lexicon_gz_begin)};
}
std::string_view rules_document() { return text(tarovik_rules_json_begin, tarovik_rules_json_end); }
std::string_view aliases_document() { return text(tarovik_aliases_json_begin, tarovik_aliases_json_end); }
std::string_view bigrams_document() { return text(tarovik_bigrams_json_begin, tarovik_bigrams_json_end); }
std::string_view semantic_classes_document() {
  return text(tarovik_semantic_classes_json_begin, tarovik_semantic_classes_json_end);
}

}  // namespace tarovik::embedded
