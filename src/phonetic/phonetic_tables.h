#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/result.h"

namespace tarovik {

struct PhoneticEmission {
  std::string text;  // may be empty: the inherent vowel after a consonant
  double penalty = 0.0;
  std::string kind;  // "consonant", "cluster", "vowel", "nasal", "halanta"
};

struct RuleEntry {
  std::string roman;
  std::vector<PhoneticEmission> emissions;
  // Absent and null both read as none; an empty list is a rule that has matra forms but no outputs.
  std::optional<std::vector<PhoneticEmission>> matra_emissions;
};

struct ClassBigramRule {
  std::string prev_class;
  std::string target;
  std::int64_t recommended_boost = 0;
};

// Hashes text so maps keyed by std::string can be searched with a string_view, without a copy.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
template <class Value>
using TextKeyedMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

// The value stored under key, or null.
template <class Value>
const Value* find_value(const TextKeyedMap<Value>& map, std::string_view key) {
  const auto it = map.find(key);
  return it == map.end() ? nullptr : &it->second;
}

using TextMap = TextKeyedMap<std::string>;
using TextListMap = TextKeyedMap<std::vector<std::string>>;

// The weights of the words that may follow one word. A row holds a handful of words: sorted in
// one array and searched by halving, it takes a fraction of the memory of a hash table of its
// own and is found as fast.
class WeightRow {
 public:
  using Entry = std::pair<std::string, std::int64_t>;

  WeightRow() = default;
  // Of entries for the same word, the last one stays.
  explicit WeightRow(std::vector<Entry> entries);
  WeightRow(std::initializer_list<Entry> entries) : WeightRow(std::vector<Entry>(entries)) {}

  const std::int64_t* find(std::string_view word) const;
  std::size_t size() const { return entries_.size(); }
  std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<Entry>::const_iterator end() const { return entries_.end(); }
  bool operator==(const WeightRow&) const = default;

 private:
  std::vector<Entry> entries_;  // by word, each word once
};

inline const std::int64_t* find_value(const WeightRow& row, std::string_view word) { return row.find(word); }

using WeightMap = TextKeyedMap<WeightRow>;

struct RulesDocument {
  std::vector<RuleEntry> rules;
  TextListMap loanwords;
  TextMap normalization_equivalents;
  TextMap devanagari_digits;
};

struct AliasesDocument {
  TextListMap aliases;
};

struct BigramsDocument {
  WeightMap bigrams;
};

struct SemanticClassesDocument {
  TextListMap classes;
  std::vector<ClassBigramRule> class_bigram_rules;
};

// Each reader returns the parsed document or the JSON reader's message, which names the
// fault with its line and column ("duplicate field `rules` at line 3 column 9"). The
// callers add the document's prefix ("rules parse error: " ...).
Result<RulesDocument> read_rules_document(std::string_view json);
Result<AliasesDocument> read_aliases_document(std::string_view json);
Result<BigramsDocument> read_bigrams_document(std::string_view json);
Result<SemanticClassesDocument> read_semantic_classes_document(std::string_view json);

}  // namespace tarovik
