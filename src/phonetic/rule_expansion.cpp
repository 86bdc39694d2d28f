#include "phonetic/rule_expansion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "base/utf8.h"

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

bool rule_matches(std::string_view key, std::string_view input) {
  if (key.size() > input.size()) return false;
  input = input.substr(0, key.size());
  if (std::find(kExactCaseKeys.begin(), kExactCaseKeys.end(), key) != kExactCaseKeys.end()) return key == input;
  return std::equal(key.begin(), key.end(), input.begin(), [](char a, char b) { return ascii::lower(a) == ascii::lower(b); });
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

TriePosition advance(const LexiconTrie& trie, TriePosition at, std::string_view appended) {
  if (!at.inside || appended.empty()) return at;
  for (const char code : encode_trie_label(appended)) {
    const auto byte = static_cast<std::uint8_t>(code);
    const std::uint32_t label_begin = trie.edge_offset[at.node];
    if (at.matched == trie.edge_offset[at.node + 1] - label_begin) {
      const ChildLookup child = trie_find_child(trie, at.node, byte);
      if (!child.found) return {0, 0, false};
      at = {child.node, 1, true};
    } else if (trie.edge_bytes[label_begin + at.matched] == byte) {
      ++at.matched;
    } else {
      return {0, 0, false};
    }
  }
  return at;
}

// Appends the state s extended by the parts, carrying its place in the lexicon along.
void extend(std::vector<BeamState>& out, const LexiconTrie& trie, const BeamState& s,
            std::initializer_list<std::string_view> parts, double penalty, bool open) {
  BeamState next{{}, penalty, open, std::nullopt};
  std::size_t size = s.text.size();
  for (std::string_view part : parts) size += part.size();
  next.text.reserve(size);
  next.text.append(s.text);
  for (std::string_view part : parts) next.text.append(part);
  if (s.position) {
    TriePosition at = *s.position;
    for (std::string_view part : parts) at = advance(trie, at, part);
    next.position = at;
  }
  out.push_back(std::move(next));
}

void expand_state(const LexiconTrie& trie, const BeamState& s, const RuleEntry& rule, double bias,
                  std::size_t position, std::vector<BeamState>& out) {
  if (s.ends_with_consonant && rule.matra_emissions) {
    for (const PhoneticEmission& e : *rule.matra_emissions) {
      extend(out, trie, s, {e.text}, s.penalty + e.penalty + bias, false);
    }
    // A vowel after a consonant may also start the next word of a compound.
    if (utf8::length(s.text) >= 2) {
      const double boundary = rule.roman == "a" ? kBoundaryVowelPenaltyA : kBoundaryVowelPenalty;
      for (const PhoneticEmission& e : rule.emissions) {
        if (e.kind == "vowel") extend(out, trie, s, {e.text}, s.penalty + e.penalty + bias + boundary, false);
      }
    }
    return;
  }
  for (const PhoneticEmission& e : rule.emissions) {
    const double penalty = s.penalty + e.penalty + bias;
    if (e.kind == "halanta") {
      if (s.text.empty() || s.text.ends_with(kHalanta)) continue;
      extend(out, trie, s, {kHalanta}, penalty, false);
    } else if (e.kind == "nasal") {
      if (s.text.empty()) continue;
      extend(out, trie, s, {e.text}, penalty, false);
    } else if (e.kind == "consonant" || e.kind == "cluster") {
      const bool open = output_ends_with_consonant(rule.roman, e.text);
      if (s.ends_with_consonant) {
        extend(out, trie, s, {kHalanta, e.text}, penalty + kConjunctPenalty, open);
        extend(out, trie, s, {e.text}, penalty + kDroppedVowelPenalty, open);
        if (position <= kLongAaLastPosition) {
          extend(out, trie, s, {kVowelSignAa, e.text}, penalty + kDroppedLongAaPenalty, open);
        }
      } else {
        extend(out, trie, s, {e.text}, penalty, open);
      }
    } else {
      extend(out, trie, s, {e.text}, penalty, false);
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

namespace {

// The pruning score: the penalty less a bonus for text that leads to frequent words.
double beam_score(const LexiconTrie& lexicon, PrefixCache& prefix_cache, const BeamState& state) {
  double bonus = 0.0;
  if (!state.text.empty()) {
    std::uint16_t m = 0;
    if (state.position) {
      m = state.position->inside ? lexicon.subtree_max_freq[state.position->node] : 0;
    } else {
      auto it = prefix_cache.find(state.text);
      if (it == prefix_cache.end()) {
        it = prefix_cache.emplace(state.text, trie_prefix_max_frequency(lexicon, state.text)).first;
      }
      m = it->second;
    }
    if (m > 0) bonus = 3.0 + std::min(2.2, 0.45 * std::log10(m + 1.0));
  }
  return state.penalty - bonus;
}

}  // namespace

ScoredBeamState score_beam_state(const LexiconTrie& lexicon, PrefixCache& prefix_cache, const BeamState& state) {
  return {state, beam_score(lexicon, prefix_cache, state)};
}

std::vector<BeamState> prune_beam(const LexiconTrie& lexicon, std::vector<BeamState> states, PrefixCache& prefix_cache,
                                  std::size_t max_beam) {
  // One state per (text, ends_with_consonant), at the place of its first arrival; a later
  // one replaces it only with a strictly lower penalty. An open-addressing table of indexes
  // finds equal keys without copying a text or allocating per state.
  constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, states.size() * 2));
  std::vector<std::uint32_t> table(capacity, kEmpty);
  std::vector<std::size_t> kept;
  std::vector<std::size_t> kept_hash;
  kept.reserve(states.size());
  kept_hash.reserve(states.size());
  for (std::size_t i = 0; i < states.size(); ++i) {
    const BeamState& state = states[i];
    const std::size_t hash = std::hash<std::string_view>{}(state.text) ^ (state.ends_with_consonant ? 0x9E3779B97F4A7C15u : 0);
    std::size_t pos = hash & (capacity - 1);
    while (table[pos] != kEmpty) {
      const std::uint32_t slot = table[pos];
      const BeamState& other = states[kept[slot]];
      if (kept_hash[slot] == hash && other.ends_with_consonant == state.ends_with_consonant && other.text == state.text) {
        break;
      }
      pos = (pos + 1) & (capacity - 1);
    }
    if (table[pos] == kEmpty) {
      table[pos] = static_cast<std::uint32_t>(kept.size());
      kept.push_back(i);
      kept_hash.push_back(hash);
    } else if (state.penalty < states[kept[table[pos]]].penalty) {
      kept[table[pos]] = i;
    }
  }

  // Best score first; equal scores keep their order of arrival.
  std::vector<std::pair<double, std::size_t>> ranked;
  ranked.reserve(kept.size());
  for (std::size_t k = 0; k < kept.size(); ++k) {
    ranked.emplace_back(beam_score(lexicon, prefix_cache, states[kept[k]]), k);
  }
  if (ranked.size() > max_beam) {
    std::nth_element(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(max_beam), ranked.end());
    ranked.resize(max_beam);
  }
  std::sort(ranked.begin(), ranked.end());

  std::vector<BeamState> beam;
  beam.reserve(ranked.size());
  for (const auto& [score, k] : ranked) beam.push_back(std::move(states[kept[k]]));
  return beam;
}

namespace {

struct RuleMatch {
  const RuleEntry* rule;
  std::size_t length;
};

// Grows each state of the beam at position p by the letter there into the buckets of the
// positions it reaches. matches is scratch space, kept between calls.
void advance_beam(const TransliterationEngine& engine, std::string_view input, std::size_t p,
                  const std::vector<BeamState>& beam, std::vector<RuleMatch>& matches,
                  std::vector<std::vector<BeamState>>& buckets) {
  const char c = input[p];
  const std::string_view letter = input.substr(p, 1);
  if (ascii::is_digit(ascii::byte(c))) {
    for (const BeamState& s : beam) extend(buckets[p + 1], engine.lexicon, s, {letter}, s.penalty, false);
    return;
  }

  matches.clear();
  const char32_t first = static_cast<unsigned char>(ascii::lower(c));
  const auto rules = engine.rules_by_first_char.find(first);
  if (rules != engine.rules_by_first_char.end()) {
    for (const RuleEntry& rule : rules->second) {
      if (rule_matches(rule.roman, input.substr(p))) matches.push_back({&rule, rule.roman.size()});
    }
  }
  if (matches.empty()) {
    for (const BeamState& s : beam) {
      extend(buckets[p + 1], engine.lexicon, s, {letter}, s.penalty + kUnmatchedLetterPenalty, false);
    }
    return;
  }

  // The first match in rule order sets the length; longer keys met later are not used,
  // and shorter ones only up to two letters, with a bias.
  const std::size_t max_len = matches.front().length;
  for (const RuleMatch& match : matches) {
    if (match.length != max_len && match.length > 2) continue;
    const double bias = match.length < max_len ? kShorterMatchBias : 0.0;
    for (const BeamState& s : beam) expand_state(engine.lexicon, s, *match.rule, bias, p, buckets[p + match.length]);
  }
}

// Each text of the final beam once, at its lowest penalty, with the halanta variant of a
// final bare consonant where one applies; lowest penalty first, ties in order of arrival.
std::vector<PhoneticForm> collect_forms(const std::vector<BeamState>& final_beam) {
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

}  // namespace

std::vector<PhoneticForm> generate_phonetic_forms(const TransliterationEngine& engine, std::string_view roman,
                                                  std::size_t max_beam) {
  const std::string_view input = utf8::trim_whitespace(roman);
  if (input.empty() || std::any_of(input.begin(), input.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return {};
  }
  // buckets[p]: the states that have read the first p letters.
  const std::size_t n = input.size();
  std::vector<std::vector<BeamState>> buckets(n + 1);
  PrefixCache prefix_cache;
  buckets[0].push_back({"", 0.0, false, TriePosition{}});
  std::vector<RuleMatch> matches;
  for (std::size_t p = 0; p < n; ++p) {
    if (buckets[p].empty()) continue;
    const std::vector<BeamState> beam = prune_beam(engine.lexicon, std::move(buckets[p]), prefix_cache, max_beam);
    buckets[p].clear();
    advance_beam(engine, input, p, beam, matches, buckets);
  }
  return collect_forms(prune_beam(engine.lexicon, std::move(buckets[n]), prefix_cache, max_beam));
}

std::string roman_to_skeleton(std::string_view roman) {
  std::string text = ascii::lower(roman);
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
