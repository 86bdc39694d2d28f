#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "phonetic/candidate.h"
#include "phonetic/engine.h"

namespace tarovik {

inline constexpr std::int64_t kMinPredictionScore = 24000;
inline constexpr std::size_t kMaxPredictions = 3;
inline constexpr std::int64_t kLearnedWordScore = 96000;

// Up to three words that often follow word, from its bigram row or, for an inflected word
// without a row, from its stem's row at a lower weight.
std::vector<Candidate> predict_next_words(const TransliterationEngine& engine, std::string_view word);

// Remembers for this run that the user picked word for roman; suggest offers it first from then on.
void learn_promoted_word(TransliterationEngine& engine, std::string_view roman, std::string_view word);

}  // namespace tarovik
