#include "phonetic/prediction.h"

#include <algorithm>
#include <array>

#include "base/ascii.h"
#include "phonetic/scoring.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

// Punctuation that may follow a committed word; the double danda is not among it.
constexpr std::array<std::string_view, 11> kStrippedEndings = {"!", "\"", "'", "(", ")", ",", ".", ":", ";", "?", "।"};

std::string_view strip_trailing_punctuation(std::string_view text) {
  for (bool stripped = true; stripped && !text.empty();) {
    stripped = false;
    for (std::string_view ending : kStrippedEndings) {
      if (text.ends_with(ending)) {
        text.remove_suffix(ending.size());
        stripped = true;
        break;
      }
    }
  }
  return text;
}

std::vector<Candidate> row_candidates(const WeightRow& row, bool from_stem) {
  std::vector<Candidate> candidates;
  candidates.reserve(row.size());
  for (const auto& [next, weight] : row) {
    const std::int64_t score = from_stem ? round_score(static_cast<double>(weight) * kStemBackoffFactor) : weight;
    if (score >= kMinPredictionScore) candidates.push_back({next, score});
  }
  return candidates;
}

const WeightRow* backoff_row(const TransliterationEngine& engine, std::string_view text) {
  for (std::string_view suffix : VIBHAKTI_STEM_SUFFIXES) {
    if (!text.ends_with(suffix)) continue;
    const std::string_view stem = text.substr(0, text.size() - suffix.size());
    if (utf8::length(stem) < 2) continue;
    if (const WeightRow* row = find_value(engine.bigrams, stem)) return row;
  }
  return nullptr;
}

}  // namespace

std::vector<Candidate> predict_next_words(const TransliterationEngine& engine, std::string_view word) {
  const std::string_view text = strip_trailing_punctuation(utf8::trim_whitespace(word));
  if (text.empty()) return {};

  std::vector<Candidate> candidates;
  if (const WeightRow* row = find_value(engine.bigrams, text)) {
    candidates = row_candidates(*row, false);
  } else if (const WeightRow* stem_row = backoff_row(engine, text)) {
    candidates = row_candidates(*stem_row, true);
  }
  sort_best_first(candidates);
  if (candidates.size() > kMaxPredictions) candidates.resize(kMaxPredictions);
  return candidates;
}

void learn_promoted_word(TransliterationEngine& engine, std::string_view roman, std::string_view word) {
  const std::string key = ascii::lower(utf8::trim_whitespace(roman));
  if (key.empty() || word.empty()) return;
  std::vector<Candidate>& learned = engine.learned_aliases[key];
  const auto existing = std::find_if(learned.begin(), learned.end(), [&](const Candidate& c) { return c.text == word; });
  if (existing != learned.end()) {
    existing->score = kLearnedWordScore;
  } else {
    learned.insert(learned.begin(), Candidate{std::string(word), kLearnedWordScore});
  }
}

}  // namespace tarovik
