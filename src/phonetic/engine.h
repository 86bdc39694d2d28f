#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "phonetic/candidate.h"
#include "phonetic/phonetic_tables.h"
#include "trie/lexicon_trie.h"
#include "base/result.h"

namespace tarovik {

// The whole phonetic engine: the lexicon, the rules and the word maps, built once.
struct TransliterationEngine {
  LexiconTrie lexicon;
  std::unordered_map<char32_t, std::vector<RuleEntry>> rules_by_first_char;
  TextListMap aliases;
  TextListMap loanwords;
  WeightMap bigrams;
  TextMap normalization_equivalents;
  TextMap devanagari_digits;
  TextKeyedMap<std::vector<Candidate>> learned_aliases;
  TextListMap skeleton_index;
  TextListMap word_classes;
  WeightMap class_bigrams;
};

// The data an engine is built from; engine_load() passes the compiled-in copy.
struct EngineSources {
  std::span<const std::uint8_t> lexicon_gz;
  std::string_view rules_document;
  std::string_view aliases_document;
  std::string_view bigrams_document;
  std::string_view semantic_classes_document;
};

// Frequency an alias word needs to enter the skeleton index, and the words kept per skeleton.
inline constexpr std::uint16_t kSkeletonMinFrequency = 15000;
inline constexpr std::size_t kSkeletonMaxWords = 3;

Result<TransliterationEngine> engine_load();
Result<TransliterationEngine> engine_load_from(const EngineSources& sources);

// The word count in the header of the lexicon the program carries, read without loading it.
std::uint32_t embedded_lexicon_word_count();

// The consonant skeleton of a Devanagari word, before repeats are collapsed: each consonant
// becomes its skeleton letter and everything else is dropped.
std::string devanagari_skeleton_letters(std::string_view word);

}  // namespace tarovik
