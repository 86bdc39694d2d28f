#include "phonetic/scoring.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/ascii.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

constexpr std::int64_t kFloorBonus = 26000;
constexpr std::int64_t kKnownWordBonus = 38000;
constexpr std::int64_t kCompletionBonus = 12000;
constexpr std::int64_t kCompletionFrequencyCap = 24000;
constexpr std::int64_t kAliasFrequency = 28000;

using ascii::is_digit;

bool all_of(std::string_view text, auto predicate) { return std::all_of(text.begin(), text.end(), predicate); }

// Dates (2082-08-12), "+977" numbers and ten-digit phone numbers keep their ASCII digits.
bool is_smart_numeral(std::string_view text) {
  const bool has_digit = std::any_of(text.begin(), text.end(), is_digit);
  if (text.find_first_of("-/") != std::string_view::npos && has_digit &&
      all_of(text, [](char c) { return is_digit(c) || c == '+' || c == '-' || c == '/'; })) {
    return true;
  }
  if (text.size() >= 4 && text.starts_with("+977") && all_of(text.substr(1), is_digit)) return true;
  return text.size() == 10 && (text.starts_with("98") || text.starts_with("97") || text.starts_with("01")) &&
         all_of(text, is_digit);
}

}  // namespace

std::int64_t round_score(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::round(value);  // halves away from zero
  if (rounded >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (rounded <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

std::string convert_digits(std::string_view text, bool devanagari_digits, bool smart_numerals,
                           const TextMap& digits) {
  if (!devanagari_digits || (smart_numerals && is_smart_numeral(text))) return std::string(text);
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    utf8::next(text, pos);
    const std::string_view character = text.substr(start, pos - start);
    const std::string* digit = find_value(digits, character);
    out.append(digit != nullptr ? std::string_view(*digit) : character);
  }
  return out;
}

std::int64_t bigram_boost(const TransliterationEngine& engine, const std::optional<std::string>& previous,
                          std::string_view word) {
  if (!previous) return 0;
  const std::string_view p = utf8::trim_whitespace(*previous);
  if (p.empty()) return 0;

  const auto* row = find_value(engine.bigrams, p);
  if (row != nullptr) {
    if (const auto* weight = find_value(*row, word)) return *weight;
  }

  std::optional<std::string_view> stem;
  for (std::string_view suffix : VIBHAKTI_STEM_SUFFIXES) {
    if (!p.ends_with(suffix)) continue;
    const std::string_view candidate = p.substr(0, p.size() - suffix.size());
    if (utf8::length(candidate) < 2) continue;
    stem = candidate;
    break;
  }
  if (stem) {
    if (const auto* stem_row = find_value(engine.bigrams, *stem)) {
      if (const auto* weight = find_value(*stem_row, word)) return round_score(static_cast<double>(*weight) * kStemBackoffFactor);
    }
  }

  const auto* classes = find_value(engine.word_classes, p);
  if (classes == nullptr && stem) classes = find_value(engine.word_classes, *stem);
  if (classes == nullptr) return 0;
  std::optional<std::int64_t> best;
  for (const std::string& tag : *classes) {
    const auto* targets = find_value(engine.class_bigrams, tag);
    if (targets == nullptr) continue;
    if (const auto* boost = find_value(*targets, word)) best = std::max(best.value_or(*boost), *boost);
  }
  return best && *best >= 1 ? *best : 0;
}

void add_phonetic_candidate(ScoringContext& context, std::string_view word, std::int64_t base, SourceKind kind,
                            std::uint32_t frequency_floor) {
  const TransliterationEngine& engine = context.engine;
  const std::string* standard = find_value(engine.normalization_equivalents, word);
  std::string w = convert_digits(standard != nullptr ? std::string_view(*standard) : word,
                                 context.options.devanagari_digits, context.options.smart_numerals,
                                 engine.devanagari_digits);
  const std::int64_t freq = trie_frequency(engine.lexicon, w);
  const std::int64_t boost = bigram_boost(engine, context.options.previous_word, w);

  std::int64_t bonus = 0;
  if (frequency_floor > 0) {
    bonus = kFloorBonus;
  } else if ((freq > 0 || kind == SourceKind::alias) && kind != SourceKind::trie) {
    bonus = kKnownWordBonus;
  } else if (freq > 0) {
    bonus = kCompletionBonus;
  }

  std::int64_t effective = 0;
  if (kind == SourceKind::trie) {
    effective = std::min(freq, kCompletionFrequencyCap);
  } else if (kind == SourceKind::alias) {
    effective = kAliasFrequency;
  } else {
    effective = std::max<std::int64_t>(freq, frequency_floor);
  }

  const std::int64_t total = base + boost + bonus + effective;
  auto [it, inserted] = context.pool.try_emplace(std::move(w), total);
  if (!inserted && it->second < total) it->second = total;
}

}  // namespace tarovik
