#include "phonetic/suggest.h"

#include <algorithm>
#include <array>
#include <queue>

#include "base/ascii.h"
#include "phonetic/rule_expansion.h"
#include "phonetic/scoring.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

constexpr std::size_t kDefaultLimit = 5;
constexpr std::size_t kBeamOpen = 48;
constexpr std::size_t kBeamAnchored = 16;

struct RomanSuffix {
  std::string_view roman;
  std::string_view devanagari;
};

// Longest first within each family, so "harulai" wins over "lai".
constexpr std::array<RomanSuffix, 19> ROMAN_VIBHAKTI_SUFFIXES = {{
    {"harusanga", "हरूसँग"}, {"harubata", "हरूबाट"}, {"harulaai", "हरूलाई"}, {"harulai", "हरूलाई"},
    {"haruma", "हरूमा"},     {"haruko", "हरूको"},    {"haruka", "हरूका"},    {"haruki", "हरूकी"},
    {"harule", "हरूले"},     {"haru", "हरू"},        {"sanga", "सँग"},       {"bata", "बाट"},
    {"laai", "लाई"},         {"lai", "लाई"},         {"ko", "को"},           {"ka", "का"},
    {"ki", "की"},            {"le", "ले"},           {"ma", "मा"},
}};

constexpr std::array<std::string_view, 16> kPassThroughDomains = {
    "io", "co", "np", "in", "ai", "me", "com", "org", "net", "edu", "gov", "dev", "app", "xyz", "biz", "info",
};

using ascii::is_digit;
using ascii::is_letter;
using ascii::is_lower;
using ascii::is_upper;

bool all_bytes(std::string_view text, auto predicate) { return std::all_of(text.begin(), text.end(), predicate); }

bool is_email(std::string_view roman) {
  const std::size_t at = roman.find('@');
  return at != std::string_view::npos && at != 0 && roman.find('.', at + 1) != std::string_view::npos &&
         roman.find(' ') == std::string_view::npos;
}

bool is_domain(std::string_view lower) {
  const std::size_t dot = lower.rfind('.');
  if (dot == std::string_view::npos || lower.find('.', 1) == std::string_view::npos) return false;
  std::string_view tld = lower.substr(dot + 1);
  tld = tld.substr(0, tld.find_first_of("/?#"));
  return std::find(kPassThroughDomains.begin(), kPassThroughDomains.end(), tld) != kPassThroughDomains.end() &&
         all_bytes(lower.substr(0, dot), [](char c) { return is_letter(c) || is_digit(c) || c == '-' || c == '.'; });
}

bool is_handle(std::string_view roman) {
  return roman.size() > 1 && (roman[0] == '@' || roman[0] == '#') &&
         all_bytes(roman.substr(1), [](char c) { return is_letter(c) || is_digit(c) || c == '.' || c == '_'; });
}

bool is_version_or_dotted_number(std::string_view roman) {
  if (!roman.empty() && (roman[0] == 'v' || roman[0] == 'V')) roman.remove_prefix(1);
  auto is_separator = [](char c) { return c == '-' || c == '.' || c == '/' || c == ':' || c == '_'; };
  return !roman.empty() && is_digit(roman.front()) && is_digit(roman.back()) &&
         std::any_of(roman.begin(), roman.end(), is_separator) &&
         all_bytes(roman, [&](char c) { return is_digit(c) || is_separator(c); });
}

bool is_acronym(std::string_view roman) {
  return std::count_if(roman.begin(), roman.end(), is_letter) >= 2 &&
         all_bytes(roman, [](char c) { return is_upper(c) || is_digit(c); });
}

bool passes_through(std::string_view roman, std::string_view lower) {
  return is_web_address(lower) || is_email(roman) || is_domain(lower) || is_handle(roman) || is_version_or_dotted_number(roman) ||
         is_acronym(roman);
}

bool is_number(std::string_view roman) {
  return std::any_of(roman.begin(), roman.end(), is_digit) &&
         all_bytes(roman, [](char c) { return is_digit(c) || c == '+' || c == '-' || c == '.' || c == '/' || c == ':'; });
}

SuggestResult single(std::string text, bool bypassed) { return {{{std::move(text), kLiteralScore}}, bypassed}; }

std::string with_ending(std::string_view word, std::string_view ending) {
  std::string out(word);
  out.append(ending);
  return out;
}

// The Devanagari plural of a loanword form: "ज" after a long vowel sign, "्स" otherwise.
std::string english_plural(std::string_view form) {
  for (std::string_view sign : {"ा", "ी", "े", "ो"}) {
    if (form.ends_with(sign)) return with_ending(form, "ज");
  }
  if (form.ends_with("्")) form.remove_suffix(std::string_view("्").size());
  return with_ending(form, "्स");
}

// A rule form's base falls by this much for each point of its penalty.
constexpr double kScorePerPenalty = 5200;

std::int64_t penalty_score(double base, double per_penalty, double penalty, std::int64_t minimum) {
  return std::max(minimum, round_score(base - per_penalty * penalty));
}

// Each later word of a list scores a step less than the one before it.
constexpr std::int64_t kListStep = 6000;

std::int64_t listed_score(std::int64_t base, std::int64_t step, std::size_t i) {
  return base - step * static_cast<std::int64_t>(i);
}

// Words the typist picked for this text before, at the scores learning gave them.
void add_learned_words(ScoringContext& context, std::string_view lower) {
  if (const auto* learned = find_value(context.engine.learned_aliases, lower)) {
    for (const Candidate& word : *learned) add_phonetic_candidate(context, word.text, word.score, SourceKind::alias, 0);
  }
}

// The words a table lists for the text, from base down; whether the text is in the table,
// though its list may be empty.
bool add_listed_words(ScoringContext& context, const TextListMap& table, std::string_view lower, std::int64_t base) {
  const auto* words = find_value(table, lower);
  if (words == nullptr) return false;
  for (std::size_t i = 0; i < words->size(); ++i) {
    add_phonetic_candidate(context, (*words)[i], listed_score(base, kListStep, i), SourceKind::alias, 0);
  }
  return true;
}

constexpr std::int64_t kAliasBase = 64000;

bool add_aliases(ScoringContext& context, std::string_view lower) {
  return add_listed_words(context, context.engine.aliases, lower, kAliasBase);
}

constexpr std::int64_t kLoanwordBase = 61000;

bool add_loanwords(ScoringContext& context, std::string_view lower) {
  return add_listed_words(context, context.engine.loanwords, lower, kLoanwordBase);
}

constexpr std::int64_t kLoanwordPluralBase = 58000;
constexpr std::size_t kMinPluralBytes = 4;

// An English plural of a loanword: "s" on the loanword, but not "ss" ("class") or "us" ("bonus").
void add_loanword_plurals(ScoringContext& context, std::string_view lower) {
  if (lower.size() < kMinPluralBytes || !lower.ends_with('s') || lower.ends_with("ss") || lower.ends_with("us")) return;
  const auto* singular = find_value(context.engine.loanwords, lower.substr(0, lower.size() - 1));
  if (singular == nullptr) return;
  for (std::size_t i = 0; i < singular->size(); ++i) {
    add_phonetic_candidate(context, english_plural((*singular)[i]), listed_score(kLoanwordPluralBase, kListStep, i),
                           SourceKind::alias, 0);
  }
}

constexpr std::int64_t kLoanwordStemBase = 46000;

// Whether the stem is a loanword, though its list may be empty.
bool add_loanword_stem_forms(ScoringContext& context, std::string_view stem, std::string_view ending) {
  const auto* forms = find_value(context.engine.loanwords, stem);
  if (forms == nullptr) return false;
  for (std::size_t i = 0; i < forms->size(); ++i) {
    add_phonetic_candidate(context, with_ending((*forms)[i], ending), listed_score(kLoanwordStemBase, kListStep, i),
                           SourceKind::phonetic, 0);
  }
  return true;
}

constexpr std::int64_t kAliasStemBase = 24000;
constexpr std::uint32_t kAliasStemFloor = 34000;

// Only the stem's first alias takes the ending.
bool add_alias_stem_form(ScoringContext& context, std::string_view stem, std::string_view ending) {
  const auto* words = find_value(context.engine.aliases, stem);
  if (words == nullptr || words->empty()) return false;
  add_phonetic_candidate(context, with_ending(words->front(), ending), kAliasStemBase, SourceKind::phonetic,
                         kAliasStemFloor);
  return true;
}

constexpr double kRuleStemBase = 24000;
constexpr std::size_t kBeamStem = 8;
constexpr std::uint16_t kMinStemFrequency = 20000;
constexpr std::uint32_t kRuleStemFloorCap = 36000;

// Rule forms of the stem that are frequent words, in their standard spelling.
bool add_rule_stem_forms(ScoringContext& context, std::string_view stem, std::string_view ending) {
  const TransliterationEngine& engine = context.engine;
  bool matched = false;
  for (const PhoneticForm& form : generate_phonetic_forms(engine, stem, kBeamStem)) {
    const std::string* standard = find_value(engine.normalization_equivalents, form.word);
    const std::string_view word = standard != nullptr ? std::string_view(*standard) : form.word;
    const std::uint16_t freq = trie_frequency(engine.lexicon, word);
    if (freq < kMinStemFrequency) continue;
    add_phonetic_candidate(context, with_ending(word, ending),
                           penalty_score(kRuleStemBase, kScorePerPenalty, form.penalty, 0), SourceKind::phonetic,
                           std::min<std::uint32_t>(freq, kRuleStemFloorCap));
    matched = true;
  }
  return matched;
}

constexpr std::size_t kMinCaseEndingBytes = 5;
constexpr std::size_t kMinStemBytes = 2;
constexpr std::size_t kMinSpeltStemBytes = 3;  // for a loanword or rule stem

// Case endings typed on a stem: the first ending whose stem gives a word ends the search.
void add_case_ending_forms(ScoringContext& context, std::string_view lower) {
  if (lower.size() < kMinCaseEndingBytes) return;
  for (const RomanSuffix& suffix : ROMAN_VIBHAKTI_SUFFIXES) {
    if (!lower.ends_with(suffix.roman)) continue;
    const std::string_view stem = lower.substr(0, lower.size() - suffix.roman.size());
    if (stem.size() >= kMinSpeltStemBytes && add_loanword_stem_forms(context, stem, suffix.devanagari)) return;
    if (stem.size() < kMinStemBytes) continue;
    const bool alias = add_alias_stem_form(context, stem, suffix.devanagari);
    const bool rule = stem.size() >= kMinSpeltStemBytes && add_rule_stem_forms(context, stem, suffix.devanagari);
    if (alias || rule) return;
  }
}

constexpr double kRuleFormBase = 28000;

void add_rule_forms(ScoringContext& context, const std::vector<PhoneticForm>& forms) {
  for (const PhoneticForm& form : forms) {
    add_phonetic_candidate(context, form.word, penalty_score(kRuleFormBase, kScorePerPenalty, form.penalty, 0),
                           SourceKind::phonetic, 0);
  }
}

// Shorthand without vowels ("ktm"): a lowercase text of three letters or more, at most one
// in four a vowel, none of whose rule forms is a word.
bool skeleton_applies(std::string_view lower, const std::vector<PhoneticForm>& forms, const LexiconTrie& lexicon) {
  if (lower.size() < 3 || !all_bytes(lower, is_lower)) return false;
  const auto vowels = std::count_if(lower.begin(), lower.end(),
                                    [](char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; });
  if (4 * static_cast<std::size_t>(vowels) > lower.size()) return false;
  return std::none_of(forms.begin(), forms.end(),
                      [&](const PhoneticForm& form) { return trie_frequency(lexicon, form.word) != 0; });
}

constexpr std::int64_t kSkeletonBase = 14000;
constexpr std::int64_t kSkeletonStep = 3000;
constexpr std::uint32_t kSkeletonFloor = 16000;

void add_skeleton_words(ScoringContext& context, std::string_view lower, const std::vector<PhoneticForm>& forms) {
  const TransliterationEngine& engine = context.engine;
  if (!skeleton_applies(lower, forms, engine.lexicon)) return;
  const std::string skeleton = roman_to_skeleton(lower);
  const auto* words = skeleton.size() >= 2 ? find_value(engine.skeleton_index, skeleton) : nullptr;
  if (words == nullptr) return;
  for (std::size_t i = 0; i < words->size(); ++i) {
    add_phonetic_candidate(context, (*words)[i], listed_score(kSkeletonBase, kSkeletonStep, i), SourceKind::phonetic,
                           kSkeletonFloor);
  }
}

constexpr std::size_t kCompletionSeeds = 3;
constexpr std::size_t kCompletionsPerSeed = 6;
constexpr double kCompletionBase = 9000;
constexpr double kCompletionPerPenalty = 1500;  // of the seed
constexpr double kCompletionPerLetter = 2500;   // each character longer or shorter than the seed
constexpr std::int64_t kMinCompletionScore = 1000;

// Lexicon words that begin with one of the best rule forms of a text of two letters or more.
void add_completions(ScoringContext& context, std::string_view roman, const std::vector<PhoneticForm>& forms) {
  if (roman.size() < 2) return;
  for (std::size_t s = 0; s < std::min(kCompletionSeeds, forms.size()); ++s) {
    const PhoneticForm& seed = forms[s];
    const std::size_t seed_length = utf8::length(seed.word);
    if (seed_length < 2) continue;
    for (const PrefixMatch& match : trie_search_prefix(context.engine.lexicon, seed.word, kCompletionsPerSeed)) {
      if (match.word == seed.word) continue;
      const std::size_t length = utf8::length(match.word);
      const double d = static_cast<double>(length > seed_length ? length - seed_length : seed_length - length);
      const double score = kCompletionBase - kCompletionPerPenalty * seed.penalty - kCompletionPerLetter * d;
      add_phonetic_candidate(context, match.word, std::max<std::int64_t>(kMinCompletionScore, round_score(score)),
                             SourceKind::trie, 0);
    }
  }
}

std::vector<Candidate> ranked(const CandidatePool& pool, std::size_t limit) {
  std::vector<Candidate> candidates;
  candidates.reserve(pool.size());
  for (const auto& [text, score] : pool) candidates.push_back({text, score});
  sort_best_first(candidates);
  if (candidates.size() > limit) candidates.resize(limit);
  return candidates;
}

}  // namespace

bool is_web_address(std::string_view roman) {
  const std::string head = ascii::lower(roman.substr(0, 8));
  return head.starts_with("http://") || head.starts_with("https://") || head.starts_with("www.");
}

SuggestResult suggest(const TransliterationEngine& engine, std::string_view roman, const SuggestOptions& options) {
  const std::size_t limit = options.limit == 0 ? kDefaultLimit : options.limit;
  if (utf8::trim_whitespace(roman).empty()) return {};
  const std::size_t n = roman.size();

  if (roman.front() == '`' && n != 1 && roman.back() == '`') return single(std::string(roman.substr(1, n - 2)), true);
  const std::string lower = ascii::lower(roman);
  if (passes_through(roman, lower)) return single(std::string(roman), true);
  if (is_number(roman)) {
    return single(convert_digits(roman, options.devanagari_digits, options.smart_numerals, engine.devanagari_digits),
                  false);
  }

  CandidatePool pool;
  ScoringContext context{engine, options, pool};
  add_learned_words(context, lower);
  const bool is_alias = add_aliases(context, lower);
  const bool is_loanword = add_loanwords(context, lower);
  if (!is_alias && !is_loanword) add_loanword_plurals(context, lower);
  // A text listed as a whole is no stem with an ending, nor shorthand, and its rule forms
  // get a narrower beam.
  const bool anchored = is_alias || is_loanword;
  if (!anchored) add_case_ending_forms(context, lower);
  const std::vector<PhoneticForm> forms = generate_phonetic_forms(engine, roman, anchored ? kBeamAnchored : kBeamOpen);
  add_rule_forms(context, forms);
  if (!anchored) add_skeleton_words(context, lower, forms);
  add_completions(context, roman, forms);
  return {ranked(pool, limit), false};
}

std::vector<PrefixMatch> trie_search_prefix(const LexiconTrie& trie, std::string_view seed, std::size_t limit) {
  const std::string key = encode_trie_label(seed);
  std::uint32_t node = 0;
  std::string path;
  for (std::size_t pos = 0; pos < key.size();) {
    const ChildLookup child = trie_find_child(trie, node, static_cast<std::uint8_t>(key[pos]));
    if (!child.found) return {};
    const std::uint32_t begin = trie.edge_offset[child.node];
    // As chars, like the key: label bytes from 0x80 up (U+097F, ZWJ, ZWNJ) compare equal too.
    const std::string_view label(reinterpret_cast<const char*>(trie.edge_bytes.data()) + begin,
                                 trie.edge_offset[child.node + 1] - begin);
    const std::size_t compared = std::min(label.size(), key.size() - pos);
    if (label.substr(0, compared) != std::string_view(key).substr(pos, compared)) return {};
    path += decode_trie_label(label);
    pos += label.size();
    node = child.node;
  }

  std::vector<PrefixMatch> results;
  if (limit == 0) return results;
  if (trie.freq[node] != 0) results.push_back({path, trie.freq[node]});

  struct Entry {
    std::string path;
    std::uint32_t node;
    std::uint16_t key;
    std::uint64_t order;  // insertion order: a fixed choice among otherwise equal entries
  };
  auto lower_priority = [](const Entry& a, const Entry& b) {
    if (a.key != b.key) return a.key < b.key;
    if (a.path.size() != b.path.size()) return a.path.size() > b.path.size();
    return a.order > b.order;
  };
  std::priority_queue<Entry, std::vector<Entry>, decltype(lower_priority)> heap(lower_priority);
  std::uint64_t order = 0;
  auto push_children = [&](const std::string& parent_path, std::uint32_t parent) {
    for (std::uint32_t c = trie.first_child[parent]; c < trie.first_child[parent + 1]; ++c) {
      if (trie.subtree_max_freq[c] == 0) continue;
      const std::uint32_t begin = trie.edge_offset[c];
      heap.push({parent_path + decode_trie_label({reinterpret_cast<const char*>(trie.edge_bytes.data()) + begin,
                                                   trie.edge_offset[c + 1] - begin}),
                 c, trie.subtree_max_freq[c], order++});
    }
  };
  push_children(path, node);
  while (results.size() < limit && !heap.empty()) {
    Entry top = heap.top();
    heap.pop();
    if (trie.freq[top.node] != 0) results.push_back({top.path, trie.freq[top.node]});
    push_children(top.path, top.node);
  }
  return results;
}

}  // namespace tarovik
