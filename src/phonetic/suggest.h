#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "phonetic/candidate.h"
#include "phonetic/engine.h"

namespace tarovik {

struct SuggestOptions {
  std::optional<std::string> previous_word;
  std::size_t limit = 0;  // 0 means 5
  bool devanagari_digits = false;
  bool smart_numerals = false;
};

struct SuggestResult {
  std::vector<Candidate> candidates;  // best first, each text once
  bool bypassed = false;              // the text was passed through literally
};

// Score of the single candidate of a pass-through or a number.
inline constexpr std::int64_t kLiteralScore = 100000;

// Ranked Devanagari candidates for a roman word. Never fails; reads the engine only.
SuggestResult suggest(const TransliterationEngine& engine, std::string_view roman, const SuggestOptions& options);

// Begins with "www.", "http://" or "https://" in any letter case: typed as it stands.
bool is_web_address(std::string_view roman);

struct PrefixMatch {
  std::string word;
  std::uint16_t freq = 0;
};

// The most frequent words that begin with seed (the seed itself first when it is a word),
// found best-first by subtree maximum; at most limit entries.
std::vector<PrefixMatch> trie_search_prefix(const LexiconTrie& trie, std::string_view seed, std::size_t limit);

}  // namespace tarovik
