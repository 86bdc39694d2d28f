#include "phonetic/rule_expansion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include "trie/utf8.h"

namespace tarovik {

namespace {

constexpr double kUnmatchedLetterPenalty = 0.5;
constexpr double kShorterMatchBias = 0.55;
constexpr double kConjunctPenalty = 0.2;           // option A: consonant + halanta + consonant
constexpr double kDroppedVowelPenalty = 0.55;      // option B: the inherent vowel stays
constexpr double kDroppedLongAaPenalty = 2.0;      // option C: a long aa the typist left out
constexpr std::size_t kLongAaLastPosition = 4;
constexpr double kBoundaryVowelPenaltyA = 1.15;    // an independent vowel after a consonant, rule "a"
constexpr double kBoundaryVowelPenalty = 0.85;
constexpr double kVerbHalantaBonus = -0.25;
constexpr double kNasalDentalHalantaPenalty = 0.35;
constexpr double kRetroflexHalantaPenalty = 0.55;

constexpr std::string_view kHalanta = "\u094D";
constexpr std::string_view kVowelSignAa = "\u093E";

// Keys whose case tells two sounds apart ("T" is ट, "t" is त).
constexpr std::array<std::string_view, 9> kExactCaseKeys = {"A", "D", "I", "N", "S", "T", "U", "Th", "Dh"};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool rule_matches(std::string_view key, std::string_view input) {
  if (key.size() > input.size()) return false;
  input = input.substr(0, key.size());
  if (std::find(kExactCaseKeys.begin(), kExactCaseKeys.end(), key) != kExactCaseKeys.end()) return key == input;
  return std::equal(key.begin(), key.end(), input.begin(), [](char a, char b) { return ascii_lower(a) == ascii_lower(b); });
}

char32_t last_char(std::string_view text) {
  std::size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0) --start;
  return utf8::next(text, start);
}

// Whether an output leaves a bare consonant that the next rule may join or give a vowel sign.
bool output_ends_with_consonant(std::string_view roman, std::string_view text) {
  if (roman.size() > 1 && roman.back() == 'a') return false;
  if (text.empty()) return false;
  const char32_t last = last_char(text);
  return !((last >= 0x901 && last <= 0x914) || (last >= 0x93E && last <= 0x94D) || last == 0x962 || last == 0x963);
}

std::string concat(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string out;
  out.reserve(a.size() + b.size() + c.size());
  out.append(a).append(b).append(c);
  return out;
}

// The penalty change of the halanta variant of a final bare consonant, if one applies.
std::optional<double> final_halanta_change(std::string_view text) {
  if (text == "होस" || text.ends_with("नुहोस") || (text.ends_with("नुस") && utf8::length(text) >= 4)) {
    return kVerbHalantaBonus;
  }
  for (std::string_view verb_end : {"छन", "नेछन", "दैनन", "थिएनन"}) {
    if (text.ends_with(verb_end)) return kVerbHalantaBonus;
  }
  for (std::string_view letter : {"न", "म", "त", "द"}) {
    if (text.ends_with(letter)) return kNasalDentalHalantaPenalty;
  }
  if (text.ends_with("ट")) return kRetroflexHalantaPenalty;
  return std::nullopt;
}

void expand_state(const BeamState& s, const RuleEntry& rule, double bias, std::size_t position,
                  std::vector<BeamState>& out) {
  if (s.ends_with_consonant && rule.matra_emissions) {
    for (const PhoneticEmission& e : *rule.matra_emissions) {
      out.push_back({concat(s.text, e.text), s.penalty + e.penalty + bias, false});
    }
    // A vowel after a consonant may also start the next word of a compound.
    if (utf8::length(s.text) >= 2) {
      const double boundary = rule.roman == "a" ? kBoundaryVowelPenaltyA : kBoundaryVowelPenalty;
      for (const PhoneticEmission& e : rule.emissions) {
        if (e.kind == "vowel") out.push_back({concat(s.text, e.text), s.penalty + e.penalty + bias + boundary, false});
      }
    }
    return;
  }
  for (const PhoneticEmission& e : rule.emissions) {
    const double penalty = s.penalty + e.penalty + bias;
    if (e.kind == "halanta") {
      if (s.text.empty() || s.text.ends_with(kHalanta)) continue;
      out.push_back({concat(s.text, kHalanta), penalty, false});
    } else if (e.kind == "nasal") {
      if (s.text.empty()) continue;
      out.push_back({concat(s.text, e.text), penalty, false});
    } else if (e.kind == "consonant" || e.kind == "cluster") {
      const bool open = output_ends_with_consonant(rule.roman, e.text);
      if (s.ends_with_consonant) {
        out.push_back({concat(s.text, kHalanta, e.text), penalty + kConjunctPenalty, open});
        out.push_back({concat(s.text, e.text), penalty + kDroppedVowelPenalty, open});
        if (position <= kLongAaLastPosition) {
          out.push_back({concat(s.text, kVowelSignAa, e.text), penalty + kDroppedLongAaPenalty, open});
        }
      } else {
        out.push_back({concat(s.text, e.text), penalty, open});
      }
    } else {
      out.push_back({concat(s.text, e.text), penalty, false});
    }
  }
}

// Each pass runs over the whole text before the next, left to right without overlaps.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kSkeletonFolds{{
    {"chh", "c"}, {"ch", "c"}, {"x", "c"}, {"sh", "s"}, {"kh", "k"}, {"q", "k"},
    {"gh", "g"}, {"jh", "j"}, {"z", "j"}, {"th", "t"}, {"dh", "d"}, {"ph", "p"},
    {"f", "p"}, {"bh", "b"}, {"v", "b"}, {"w", "b"},
}};

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text.substr(pos, from.size()) == from) {
      out += to;
      pos += from.size();
    } else {
      out += text[pos++];
    }
  }
  return out;
}

}  // namespace

ScoredBeamState score_beam_state(const LexiconTrie& lexicon, PrefixCache& prefix_cache, const BeamState& state) {
  double bonus = 0.0;
  if (!state.text.empty()) {
    auto it = prefix_cache.find(state.text);
    if (it == prefix_cache.end()) {
      it = prefix_cache.emplace(state.text, trie_prefix_max_frequency(lexicon, state.text)).first;
    }
    if (const std::uint16_t m = it->second; m > 0) bonus = 3.0 + std::min(2.2, 0.45 * std::log10(m + 1.0));
  }
  return {state, state.penalty - bonus};
}

std::vector<BeamState> prune_beam(const LexiconTrie& lexicon, std::vector<BeamState> states, PrefixCache& prefix_cache,
                                  std::size_t max_beam) {
  // One state per (text, ends_with_consonant); of equal penalties the first stays.
  std::vector<BeamState> kept;
  TextKeyedMap<std::array<std::size_t, 2>> slot_of;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  for (BeamState& state : states) {
    auto [it, inserted] = slot_of.try_emplace(state.text, std::array<std::size_t, 2>{kNone, kNone});
    std::size_t& slot = it->second[state.ends_with_consonant ? 1 : 0];
    if (slot == kNone) {
      slot = kept.size();
      kept.push_back(std::move(state));
    } else if (state.penalty < kept[slot].penalty) {
      kept[slot] = std::move(state);
    }
  }

  std::vector<ScoredBeamState> scored;
  scored.reserve(kept.size());
  for (const BeamState& state : kept) scored.push_back(score_beam_state(lexicon, prefix_cache, state));
  std::stable_sort(scored.begin(), scored.end(),
                   [](const ScoredBeamState& a, const ScoredBeamState& b) { return a.score < b.score; });
  if (scored.size() > max_beam) scored.resize(max_beam);

  std::vector<BeamState> beam;
  beam.reserve(scored.size());
  for (ScoredBeamState& entry : scored) beam.push_back(std::move(entry.state));
  return beam;
}

std::vector<PhoneticForm> generate_phonetic_forms(const TransliterationEngine& engine, std::string_view roman,
                                                  std::size_t max_beam) {
  const std::string_view input = utf8::trim_whitespace(roman);
  if (input.empty() || std::any_of(input.begin(), input.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return {};
  }
  const std::size_t n = input.size();
  std::vector<std::vector<BeamState>> buckets(n + 1);
  PrefixCache prefix_cache;
  buckets[0].push_back({"", 0.0, false});

  struct Match {
    const RuleEntry* rule;
    std::size_t length;
  };
  std::vector<Match> matches;
  for (std::size_t p = 0; p < n; ++p) {
    if (buckets[p].empty()) continue;
    const std::vector<BeamState> beam = prune_beam(engine.lexicon, std::move(buckets[p]), prefix_cache, max_beam);
    buckets[p].clear();
    const char c = input[p];

    if (c >= '0' && c <= '9') {
      for (const BeamState& s : beam) buckets[p + 1].push_back({concat(s.text, std::string_view(&c, 1)), s.penalty, false});
      continue;
    }

    matches.clear();
    const auto rules = engine.rules_by_first_char.find(static_cast<char32_t>(static_cast<unsigned char>(ascii_lower(c))));
    if (rules != engine.rules_by_first_char.end()) {
      for (const RuleEntry& rule : rules->second) {
        if (rule_matches(rule.roman, input.substr(p))) matches.push_back({&rule, rule.roman.size()});
      }
    }
    if (matches.empty()) {
      for (const BeamState& s : beam) {
        buckets[p + 1].push_back({concat(s.text, std::string_view(&c, 1)), s.penalty + kUnmatchedLetterPenalty, false});
      }
      continue;
    }

    // The first match in rule order sets the length; longer keys met later are not used,
    // and shorter ones only up to two letters, with a bias.
    const std::size_t max_len = matches.front().length;
    for (const Match& match : matches) {
      if (match.length != max_len && match.length > 2) continue;
      const double bias = match.length < max_len ? kShorterMatchBias : 0.0;
      for (const BeamState& s : beam) expand_state(s, *match.rule, bias, p, buckets[p + match.length]);
    }
  }

  const std::vector<BeamState> final_beam = prune_beam(engine.lexicon, std::move(buckets[n]), prefix_cache, max_beam);
  std::vector<PhoneticForm> forms;
  TextKeyedMap<std::size_t> index_of;
  auto record = [&](std::string word, double penalty) {
    auto [it, inserted] = index_of.try_emplace(word, forms.size());
    if (inserted) {
      forms.push_back({std::move(word), penalty});
    } else if (penalty < forms[it->second].penalty) {
      forms[it->second].penalty = penalty;
    }
  };
  for (const BeamState& state : final_beam) {
    record(state.text, state.penalty);
    if (!state.ends_with_consonant) continue;
    if (const auto change = final_halanta_change(state.text)) record(concat(state.text, kHalanta), state.penalty + *change);
  }
  std::stable_sort(forms.begin(), forms.end(),
                   [](const PhoneticForm& a, const PhoneticForm& b) { return a.penalty < b.penalty; });
  return forms;
}

std::string roman_to_skeleton(std::string_view roman) {
  std::string text(roman);
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const auto& [from, to] : kSkeletonFolds) text = replace_all(text, from, to);
  std::erase_if(text, [](char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; });
  return collapse_repeats(text);
}

std::string collapse_repeats(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char32_t previous = 0;
  bool first = true;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t cp = utf8::next(text, pos);
    if (first || cp != previous) out.append(text.substr(start, pos - start));
    previous = cp;
    first = false;
  }
  return out;
}

}  // namespace tarovik
