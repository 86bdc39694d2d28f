#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "phonetic/engine.h"
#include "phonetic/suggest.h"

namespace tarovik {

// Case endings stripped from a previous word to find its stem, first match wins.
inline constexpr std::array<std::string_view, 15> VIBHAKTI_STEM_SUFFIXES = {
    "हरूबाट", "हरूसँग", "हरूलाई", "हरूको", "हरूमा", "हरूले", "हरू", "बाट",
    "सँग",    "लाई",    "मा",     "को",     "का",     "की",     "ले",
};

inline constexpr double kStemBackoffFactor = 0.55;

enum class SourceKind { alias, phonetic, trie };

// The pool of one suggest call: final text to best score.
using CandidatePool = std::unordered_map<std::string, std::int64_t>;

struct ScoringContext {
  const TransliterationEngine& engine;
  const SuggestOptions& options;
  CandidatePool& pool;
};

// Brings word to its standard form, adds frequency, context boost and bonuses to base and
// keeps the best score per word in the pool.
void add_phonetic_candidate(ScoringContext& context, std::string_view word, std::int64_t base, SourceKind kind,
                            std::uint32_t frequency_floor);

// The bigram boost of word after previous: exact row, then the stem of previous at 0.55,
// then the class rules of previous (or of that stem).
std::int64_t bigram_boost(const TransliterationEngine& engine, const std::optional<std::string>& previous,
                          std::string_view word);

// ASCII digits to Devanagari digits; with smart_numerals, dates and phone numbers stay as typed.
std::string convert_digits(std::string_view text, bool devanagari_digits, bool smart_numerals,
                           const TextMap& digits);

// Nearest integer, halves away from zero, saturating; NaN gives 0.
std::int64_t round_score(double value);

}  // namespace tarovik
