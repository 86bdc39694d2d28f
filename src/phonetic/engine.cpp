#include "phonetic/engine.h"

#include <algorithm>
#include <unordered_set>

#include "base/ascii.h"
#include "phonetic/embedded_data.h"
#include "phonetic/gzip.h"
#include "phonetic/rule_expansion.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

// Skeleton letters of U+0915..U+0939; 0 marks the consonants that have none.
constexpr char kSkeletonLetters[] = {
    'k', 'k', 'g', 'g', 'n',  // क ख ग घ ङ
    'c', 'c', 'j', 'j', 'n',  // च छ ज झ ञ
    't', 't', 'd', 'd', 'n',  // ट ठ ड ढ ण
    't', 't', 'd', 'd', 'n',  // त थ द ध न
    0,                        // ऩ
    'p', 'p', 'b', 'b', 'm',  // प फ ब भ म
    'y', 'r', 0,   'l', 0,    // य र ऱ ल ळ
    0,   'b', 's', 's', 's',  // ऴ व श ष स
    'h',                      // ह
};
static_assert(sizeof(kSkeletonLetters) == 0x939 - 0x915 + 1);

template <class T>
Result<T> with_prefix(Result<T> result, std::string_view prefix) {
  if (result) return result;
  return Error{std::string(prefix) + result.error()};
}

TextListMap invert_classes(const TextListMap& classes) {
  // Walk tags in text order so the tag lists do not depend on hash order.
  std::vector<const std::string*> tags;
  tags.reserve(classes.size());
  for (const auto& entry : classes) tags.push_back(&entry.first);
  std::sort(tags.begin(), tags.end(), [](const auto* a, const auto* b) { return *a < *b; });

  TextListMap word_classes;
  for (const std::string* tag : tags) {
    for (const std::string& word : classes.at(*tag)) word_classes[word].push_back(*tag);
  }
  return word_classes;
}

WeightMap fold_class_bigrams(const std::vector<ClassBigramRule>& rules) {
  TextKeyedMap<std::vector<WeightRow::Entry>> rows;
  for (const ClassBigramRule& rule : rules) rows[rule.prev_class].emplace_back(rule.target, rule.recommended_boost);
  WeightMap class_bigrams;
  for (auto& [tag, entries] : rows) class_bigrams.emplace(tag, WeightRow(std::move(entries)));
  return class_bigrams;
}

std::unordered_map<char32_t, std::vector<RuleEntry>> index_rules(std::vector<RuleEntry> rules) {
  std::unordered_map<char32_t, std::vector<RuleEntry>> by_first_char;
  for (RuleEntry& rule : rules) {
    if (rule.roman.empty()) continue;
    std::size_t pos = 0;
    by_first_char[ascii::lower(utf8::next(rule.roman, pos))].push_back(std::move(rule));
  }
  return by_first_char;
}

TextListMap build_skeleton_index(const TextListMap& aliases, const LexiconTrie& lexicon) {
  struct Frequent {
    const std::string* word;
    std::uint16_t freq;
  };
  std::unordered_set<std::string_view> seen;
  std::vector<Frequent> frequent;
  for (const auto& [key, words] : aliases) {
    for (const std::string& word : words) {
      if (!seen.insert(word).second) continue;
      const std::uint16_t freq = trie_frequency(lexicon, word);
      if (freq >= kSkeletonMinFrequency) frequent.push_back({&word, freq});
    }
  }
  // Most frequent first; equal frequencies by text, so the index does not depend on hash order.
  std::sort(frequent.begin(), frequent.end(), [](const Frequent& a, const Frequent& b) {
    return a.freq != b.freq ? a.freq > b.freq : *a.word < *b.word;
  });

  TextListMap index;
  for (const Frequent& entry : frequent) {
    std::string skeleton = collapse_repeats(devanagari_skeleton_letters(*entry.word));
    if (skeleton.size() < 2) continue;
    std::vector<std::string>& words = index[skeleton];
    if (words.size() < kSkeletonMaxWords) words.push_back(*entry.word);
  }
  return index;
}

}  // namespace

std::string devanagari_skeleton_letters(std::string_view word) {
  std::string letters;
  for (std::size_t pos = 0; pos < word.size();) {
    const char32_t cp = utf8::next(word, pos);
    if (cp < 0x915 || cp > 0x939) continue;
    if (const char letter = kSkeletonLetters[cp - 0x915]) letters.push_back(letter);
  }
  return letters;
}

Result<TransliterationEngine> engine_load_from(const EngineSources& sources) {
  // Parsed as it inflates, so the inflated file is never held whole. A damaged stream is
  // reported before whatever the parser made of its bytes.
  GunzipStream inflated(sources.lexicon_gz, kMaxTvtrFileBytes);
  auto lexicon = parse_lexicon_trie([&] { return inflated.next(); }, inflated.length_hint());
  inflated.finish();
  if (!inflated.error().empty()) return Error{"Failed to decompress lexicon.tvtrie.gz: " + inflated.error()};
  if (!lexicon) return Error{lexicon.error()};

  auto rules = with_prefix(read_rules_document(sources.rules_document), "rules parse error: ");
  if (!rules) return Error{rules.error()};
  auto aliases = with_prefix(read_aliases_document(sources.aliases_document), "aliases parse error: ");
  if (!aliases) return Error{aliases.error()};
  auto bigrams = with_prefix(read_bigrams_document(sources.bigrams_document), "bigrams parse error: ");
  if (!bigrams) return Error{bigrams.error()};
  auto classes =
      with_prefix(read_semantic_classes_document(sources.semantic_classes_document), "semantic-classes parse error: ");
  if (!classes) return Error{classes.error()};

  TransliterationEngine engine;
  engine.lexicon = std::move(lexicon).value();
  engine.word_classes = invert_classes(classes.value().classes);
  engine.class_bigrams = fold_class_bigrams(classes.value().class_bigram_rules);
  RulesDocument& rules_document = rules.value();
  engine.rules_by_first_char = index_rules(std::move(rules_document.rules));
  engine.aliases = std::move(aliases.value().aliases);
  engine.loanwords = std::move(rules_document.loanwords);
  engine.bigrams = std::move(bigrams.value().bigrams);
  engine.normalization_equivalents = std::move(rules_document.normalization_equivalents);
  engine.devanagari_digits = std::move(rules_document.devanagari_digits);
  engine.skeleton_index = build_skeleton_index(engine.aliases, engine.lexicon);
  return engine;
}

std::uint32_t embedded_lexicon_word_count() {
  const auto header = gunzip_prefix(embedded::lexicon_gz(), 16);
  if (!header || header.value().size() < 16) return 0;
  const auto& h = header.value();
  return static_cast<std::uint32_t>(h[12] | (h[13] << 8) | (h[14] << 16) | (h[15] << 24));
}

Result<TransliterationEngine> engine_load() {
  return engine_load_from({
      .lexicon_gz = embedded::lexicon_gz(),
      .rules_document = embedded::rules_document(),
      .aliases_document = embedded::aliases_document(),
      .bigrams_document = embedded::bigrams_document(),
      .semantic_classes_document = embedded::semantic_classes_document(),
  });
}

}  // namespace tarovik
