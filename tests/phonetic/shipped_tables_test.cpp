// The shipped tables are the fixed ones: the phonetic rules, the spelling normalisation, the
// digits, the class tags and the class bigram rules, and every word the tables name is a word
// of the shipped lexicon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "phonetic/embedded_data.h"
#include "phonetic/engine.h"
#include "phonetic/json_record.h"
#include "phonetic/phonetic_tables.h"

namespace tarovik {
namespace {

// A rule: roman key, emissions, matra emissions ("none" when the rule has none). An emission
// is written "text" penalty kind, and "empty text" stands for the empty string.
struct RuleRow {
  std::string_view roman, emissions, matra;
};
struct ClassRuleRow {
  std::string_view prev_class, target;
  std::int64_t boost;
};

constexpr RuleRow kRuleTable[] = {
    {"tion", R"("सन" 0.25 cluster; "तिओन" 2.6 cluster)", R"(none)"},
    {"sion", R"("सन" 0.35 cluster; "जन" 0.55 cluster)", R"(none)"},
    {"ex", R"("एक्स" 0.3 cluster; "एक्ष" 1.8 cluster; "एछ" 2.4 cluster)", R"(none)"},
    {"chchh", R"("च्छ" 0.1 cluster)", R"(none)"},
    {"chhya", R"("क्ष" 0 cluster; "छ्या" 0.35 cluster; "छ्य" 2 cluster)", R"(none)"},
    {"chha", R"("छ" 0 consonant; "छा" 0.7 consonant; "च्छा" 0.55 cluster; "च्छ" 0.9 cluster)", R"(none)"},
    {"chh", R"("छ" 0 consonant; "च्छ" 0.6 cluster)", R"(none)"},
    {"shtr", R"("ष्ट्र" 0.1 cluster; "ष्ठ्र" 1.5 cluster)", R"(none)"},
    {"shth", R"("ष्ठ" 0.1 cluster)", R"(none)"},
    {"sht", R"("ष्ट" 0.2 cluster; "ष्ठ" 0.8 cluster)", R"(none)"},
    {"kshy", R"("क्ष" 0.3 cluster; "क्ष्य" 0.8 cluster)", R"(none)"},
    {"ksh", R"("क्ष" 0 cluster; "क्श" 4 cluster)", R"(none)"},
    {"cch", R"("च्छ" 0.1 cluster)", R"(none)"},
    {"ttw", R"("त्त्व" 0.1 cluster)", R"(none)"},
    {"tt", R"("त्त" 0.05 cluster; "ट्ट" 0.45 cluster)", R"(none)"},
    {"jjw", R"("ज्ज्व" 0.1 cluster)", R"(none)"},
    {"shr", R"("श्र" 0 cluster)", R"(none)"},
    {"shri", R"("श्री" 0 consonant; "शृ" 0.45 consonant)", R"(none)"},
    {"ye", R"("ए" 0.25 vowel; "ये" 0.35 consonant)", R"(none)"},
    {"gny", R"("ज्ञ" 0 cluster)", R"(none)"},
    {"ddh", R"("द्ध" 0 cluster)", R"(none)"},
    {"dhy", R"("ध्य" 0 cluster; "द्य" 0.9 cluster)", R"(none)"},
    {"tra", R"("त्र" 0 cluster; "त्रा" 3 cluster)", R"(none)"},
    {"tr", R"("त्र" 0 cluster; "ट्र" 3 cluster)", R"(none)"},
    {"gy", R"("ज्ञ" 0 cluster; "ग्य" 2 cluster)", R"(none)"},
    {"jn", R"("ज्ञ" 1 cluster)", R"(none)"},
    {"dw", R"("द्व" 0 cluster)", R"(none)"},
    {"dv", R"("द्व" 1 cluster)", R"(none)"},
    {"dy", R"("द्य" 0 cluster)", R"(none)"},
    {"ng", R"("ङ" 0 consonant; "ङ्ग" 1 cluster; "ंग" 1 cluster)", R"(none)"},
    {"ch", R"("च" 0 consonant; "छ" 2.2 consonant; "च्छ" 1.4 cluster)", R"(none)"},
    {"kh", R"("ख" 0 consonant)", R"(none)"},
    {"gh", R"("घ" 0 consonant)", R"(none)"},
    {"jh", R"("झ" 0 consonant)", R"(none)"},
    {"ny", R"("न्य" 0 cluster; "ञ" 2 consonant)", R"(none)"},
    {"yn", R"("ञ" 0 consonant)", R"(none)"},
    {"Th", R"("ठ" 0 consonant)", R"(none)"},
    {"Dh", R"("ढ" 0 consonant)", R"(none)"},
    {"th", R"("थ" 0 consonant; "ठ" 0.9 consonant)", R"(none)"},
    {"dh", R"("ध" 0 consonant; "द्ध" 1.15 cluster; "ढ" 0.9 consonant)", R"(none)"},
    {"ph", R"("फ" 0 consonant)", R"(none)"},
    {"bh", R"("भ" 0 consonant)", R"(none)"},
    {"sh", R"("श" 0 consonant; "स" 0.75 consonant; "ष" 1 consonant)", R"(none)"},
    {"rri", R"("ऋ" 0 vowel)", R"("ृ" 0 vowel)"},
    {"ru", R"("रु" 0 consonant; "रू" 1.5 consonant)", R"("्रु" 0 vowel; "ृ" 0.85 vowel)"},
    {"ri", R"("रि" 0 consonant; "री" 2 consonant; "ऋ" 2 vowel)", R"("ृ" 0.5 vowel; "्रि" 1.5 cluster)"},
    {"aa", R"("आ" 0 vowel)", R"("ा" 0 vowel)"},
    {"ii", R"("ई" 0 vowel)", R"("ी" 0 vowel; "ि" 1.1 vowel)"},
    {"ee", R"("ई" 0 vowel)", R"("ी" 0 vowel; "ि" 1.1 vowel)"},
    {"uu", R"("ऊ" 0 vowel)", R"("ू" 0 vowel; "ु" 1.1 vowel)"},
    {"oo", R"("ऊ" 0 vowel)", R"("ू" 0 vowel; "ु" 1.1 vowel)"},
    {"ai", R"("ऐ" 0 vowel; "इ" 4 vowel)", R"("ै" 0 vowel; "इ" 0.7 vowel; "ाइ" 0.75 vowel; "ाई" 0.75 vowel)"},
    {"au", R"("औ" 0 vowel)", R"("ौ" 0 vowel; "ौँ" 0.45 vowel; "ाउ" 0.55 vowel; "ाउँ" 0.75 vowel)"},
    {"ou", R"("औ" 0.5 vowel)", R"("ौ" 0.5 vowel; "ोउ" 4 vowel)"},
    {"k", R"("क" 0 consonant)", R"(none)"},
    {"g", R"("ग" 0 consonant)", R"(none)"},
    {"c", R"("च" 0.5 consonant; "क" 2.5 consonant)", R"(none)"},
    {"j", R"("ज" 0 consonant)", R"(none)"},
    {"T", R"("ट" 0 consonant)", R"(none)"},
    {"D", R"("ड" 0 consonant)", R"(none)"},
    {"N", R"("ण" 0 consonant)", R"(none)"},
    {"t", R"("त" 0 consonant; "ट" 1.5 consonant)", R"(none)"},
    {"d", R"("द" 0 consonant; "ड" 1.5 consonant)", R"(none)"},
    {"n", R"("न" 0 consonant; "ं" 0.5 nasal; "ँ" 0.55 nasal; "ण" 1 consonant; "ङ" 1.1 consonant; "ञ" 1.1 consonant)", R"(none)"},
    {"p", R"("प" 0 consonant)", R"(none)"},
    {"f", R"("फ" 0 consonant)", R"(none)"},
    {"b", R"("ब" 0 consonant; "व" 0.55 consonant)", R"(none)"},
    {"v", R"("व" 0.1 consonant; "भ" 0.25 consonant; "ब" 2 consonant)", R"(none)"},
    {"w", R"("व" 0 consonant; "ब" 2.5 consonant)", R"(none)"},
    {"m", R"("म" 0 consonant; "ं" 1.8 nasal)", R"(none)"},
    {"y", R"("य" 0 consonant)", R"(none)"},
    {"r", R"("र" 0 consonant)", R"(none)"},
    {"l", R"("ल" 0 consonant)", R"(none)"},
    {"S", R"("ष" 0 consonant; "श" 1 consonant)", R"(none)"},
    {"s", R"("स" 0 consonant; "श" 1.5 consonant; "ष" 2 consonant)", R"(none)"},
    {"h", R"("ह" 0 consonant; "ः" 0.9 nasal)", R"(none)"},
    {"x", R"("छ" 0.2 consonant; "क्ष" 0.8 cluster; "क्स" 0.85 cluster)", R"(none)"},
    {"q", R"("क" 1 consonant)", R"(none)"},
    {"z", R"("ज" 0.5 consonant)", R"(none)"},
    {"A", R"("आ" 0 vowel)", R"("ा" 0 vowel)"},
    {"I", R"("ई" 0 vowel)", R"("ी" 0 vowel)"},
    {"U", R"("ऊ" 0 vowel)", R"("ू" 0 vowel)"},
    {"a", R"("अ" 0 vowel; "आ" 1.2 vowel)", R"(empty text 0 vowel; "ा" 0.55 vowel)"},
    {"i", R"("इ" 0 vowel; "ई" 1.4 vowel)", R"("ि" 0 vowel; "ी" 0.65 vowel)"},
    {"u", R"("उ" 0 vowel; "उँ" 0.45 vowel; "ऊ" 1.4 vowel)", R"("ु" 0 vowel; "ू" 0.65 vowel)"},
    {"e", R"("ए" 0 vowel; "इ" 3 vowel)", R"("े" 0 vowel; "ै" 3 vowel)"},
    {"o", R"("ओ" 0 vowel; "उ" 3.5 vowel)", R"("ो" 0 vowel; "ौ" 3 vowel)"},
    {"\\", R"("्" 0 halanta)", R"(none)"},
    {"/", R"("्" 0 halanta)", R"(none)"},
    {"*", R"("ँ" 0 nasal)", R"(none)"},
    {"~", R"("ँ" 0 nasal)", R"(none)"},
    {"^", R"("ं" 0 nasal)", R"(none)"},
};

constexpr std::pair<std::string_view, std::string_view> kNormalisationTable[] = {
    {"काठमान्डौं", "काठमाडौँ"},
    {"काठमान्डौ", "काठमाडौँ"},
    {"काठमाडौं", "काठमाडौँ"},
    {"छैनन", "छैनन्"},
    {"थिएनन", "थिएनन्"},
    {"शहिद", "सहिद"},
    {"शहर", "सहर"},
    {"उज्जवल", "उज्ज्वल"},
    {"उज्वल", "उज्ज्वल"},
    {"महत्वपूर्ण", "महत्त्वपूर्ण"},
    {"महत्वपुर्ण", "महत्त्वपूर्ण"},
    {"महत्व", "महत्त्व"},
    {"तत्व", "तत्त्व"},
    {"अन्तराष्ट्रिय", "अन्तर्राष्ट्रिय"},
    {"बिध्यार्थी", "विद्यार्थी"},
    {"विध्यार्थी", "विद्यार्थी"},
    {"राजनैतिक", "राजनीतिक"},
    {"गल्ति", "गल्ती"},
    {"परिक्षा", "परीक्षा"},
    {"अतिथी", "अतिथि"},
    {"चिन्ह", "चिह्न"},
    {"गर्नुहोस", "गर्नुहोस्"},
    {"निर्मान", "निर्माण"},
    {"निर्नय", "निर्णय"},
    {"सुची", "सूची"},
    {"उर्जा", "ऊर्जा"},
    {"सम्वाद", "संवाद"},
    {"कार्बाही", "कारबाही"},
    {"गोसाईंकुण्ड", "गोसाइँकुण्ड"},
    {"गोसाईँकुण्ड", "गोसाइँकुण्ड"},
    {"आङन", "आँगन"},
    {"कर्नाली", "कर्णाली"},
    {"हुदैनन", "हुँदैनन्"},
    {"हुदैनन्", "हुँदैनन्"},
    {"सक्दैनन", "सक्दैनन्"},
    {"गर्दैनन", "गर्दैनन्"},
};

constexpr std::string_view kClassTags[] = {
    "PLACE",
    "FOOD_DRINK",
    "NUMBER_QUANTIFIER",
    "WATER_MODIFIER",
    "CAR_MODIFIER",
    "TAX_TERM",
    "FORCE_MODIFIER",
    "CHILD_CONTEXT",
    "GREETING_SUBJECT",
    "OPINION_CUE",
    "SCARCITY_RESOURCE",
    "RATE_PREFIX",
    "DAL_FOOD_MODIFIER",
    "POLITICAL_DAL_MODIFIER",
    "LAKE_TAAL_PREFIX",
    "BELOW_TALA_PREFIX",
    "WIRE_TAAR_PREFIX",
    "DEFEAT_GARLAND_HAAR_PREFIX",
    "RESPECT_MAAN_PREFIX",
    "HEART_MAN_PREFIX",
    "ROAD_BATO_PREFIX",
    "CLEVER_BATHO_PREFIX",
    "FERTILIZER_MAL_PREFIX",
    "GOODS_MAAL_PREFIX",
    "FIRST_PERSON_SUBJECT",
};

constexpr ClassRuleRow kClassRules[] = {
    {"PLACE", "जान", 8500},
    {"NUMBER_QUANTIFIER", "जना", 9500},
    {"FOOD_DRINK", "खान", 9000},
    {"WATER_MODIFIER", "पानी", 9000},
    {"CAR_MODIFIER", "कार", 8500},
    {"TAX_TERM", "कर", 9000},
    {"FORCE_MODIFIER", "बल", 8500},
    {"SCARCITY_RESOURCE", "कम", 8500},
    {"RATE_PREFIX", "दर", 9500},
    {"GREETING_SUBJECT", "सन्चै", 8000},
    {"OPINION_CUE", "साँच्चै", 8000},
    {"DAL_FOOD_MODIFIER", "दाल", 8500},
    {"POLITICAL_DAL_MODIFIER", "दल", 9000},
    {"LAKE_TAAL_PREFIX", "ताल", 9000},
    {"BELOW_TALA_PREFIX", "तल", 8500},
    {"WIRE_TAAR_PREFIX", "तार", 9500},
    {"DEFEAT_GARLAND_HAAR_PREFIX", "हार", 8500},
    {"RESPECT_MAAN_PREFIX", "मान", 8000},
    {"HEART_MAN_PREFIX", "मन", 8500},
    {"ROAD_BATO_PREFIX", "बाटो", 9000},
    {"CLEVER_BATHO_PREFIX", "बाठो", 8500},
    {"FERTILIZER_MAL_PREFIX", "मल", 9000},
    {"GOODS_MAAL_PREFIX", "माल", 9000},
};

std::vector<PhoneticEmission> parse_emissions(std::string_view text) {
  std::vector<PhoneticEmission> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("; ", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view item = text.substr(start, end - start);
    PhoneticEmission emission;
    if (item.starts_with("empty text ")) {
      item.remove_prefix(11);
    } else {
      const std::size_t close = item.find('"', 1);
      emission.text = std::string(item.substr(1, close - 1));
      item.remove_prefix(close + 2);
    }
    std::istringstream rest{std::string(item)};
    rest >> emission.penalty >> emission.kind;
    out.push_back(emission);
    start = end + 2;
  }
  return out;
}

// Shortest round-trip form of each penalty, so two lists show alike only if they are equal.
std::string show(const std::vector<PhoneticEmission>& emissions) {
  std::string out;
  for (const auto& e : emissions) {
    if (!out.empty()) out += "; ";
    char penalty[32];
    const auto written = std::to_chars(penalty, penalty + sizeof penalty, e.penalty);
    out.append(e.text.empty() ? std::string("empty text") : "\"" + e.text + "\"").append(" ");
    out.append(penalty, written.ptr).append(" ").append(e.kind);
  }
  return out;
}

std::string show(std::string_view roman, const std::vector<PhoneticEmission>& emissions,
                 const std::vector<PhoneticEmission>* matra) {
  std::string out = "`";
  out.append(roman).append("` ").append(show(emissions)).append(" | ");
  out.append(matra ? show(*matra) : std::string("none"));
  return out;
}

std::string show(const RuleEntry& rule) {
  return show(rule.roman, rule.emissions, rule.matra_emissions ? &*rule.matra_emissions : nullptr);
}

std::string show(const RuleRow& row) {
  const bool none = row.matra == "none";
  const auto matra = none ? std::vector<PhoneticEmission>{} : parse_emissions(row.matra);
  return show(row.roman, parse_emissions(row.emissions), none ? nullptr : &matra);
}

RulesDocument shipped_rules() {
  auto read = read_rules_document(embedded::rules_document());
  EXPECT_TRUE(read.ok()) << read.error();
  return read.ok() ? std::move(read.value()) : RulesDocument{};
}

// Fails once for each row that differs, is missing or is extra, naming its number.
void expect_same_rows(const std::vector<std::string>& got, const std::vector<std::string>& want,
                      std::string_view what) {
  for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
    const std::string shipped = i < got.size() ? got[i] : "(missing)";
    const std::string fixed = i < want.size() ? want[i] : "(extra)";
    EXPECT_EQ(shipped, fixed) << what << " " << i + 1;
  }
}

// The first member of an object with the key, as written in the shipped text.
const JsonValue* member(const JsonValue& object, std::string_view key) {
  for (const auto& [name, value] : object.members) {
    if (name == key) return &value;
  }
  return nullptr;
}

TEST(ShippedTables, RuleTableIsTheFixedOneInOrder) {
  std::vector<std::string> got, want;
  for (const RuleEntry& rule : shipped_rules().rules) got.push_back(show(rule));
  for (const RuleRow& row : kRuleTable) want.push_back(show(row));
  expect_same_rows(got, want, "rule");
}

TEST(ShippedTables, NormalisationAndDigitTablesAreTheFixedOnes) {
  auto parsed = parse_json(embedded::rules_document());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const JsonValue* written = member(parsed.value().root(), "normalizationEquivalents");
  ASSERT_NE(written, nullptr);
  std::vector<std::string> got, want;
  for (const auto& [variant, standard] : written->members) got.push_back(variant + " -> " + standard.text);
  for (const auto& [variant, standard] : kNormalisationTable) {
    want.push_back(std::string(variant) + " -> " + std::string(standard));
  }
  expect_same_rows(got, want, "normalisation pair");

  const RulesDocument document = shipped_rules();
  EXPECT_EQ(document.normalization_equivalents.size(), std::size(kNormalisationTable));
  const char* digits[] = {"०", "१", "२", "३", "४", "५", "६", "७", "८", "९"};
  EXPECT_EQ(document.devanagari_digits.size(), 10u);
  for (int d = 0; d < 10; ++d) {
    const std::string* got_digit = find_value(document.devanagari_digits, std::to_string(d));
    EXPECT_TRUE(got_digit != nullptr && *got_digit == digits[d])
        << d << " gives " << (got_digit ? *got_digit : std::string("nothing"));
  }
}

TEST(ShippedTables, ClassTagsAndClassRulesAreTheFixedOnes) {
  auto parsed = parse_json(embedded::semantic_classes_document());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const JsonValue* classes = member(parsed.value().root(), "classes");
  ASSERT_NE(classes, nullptr);
  std::vector<std::string> tags;
  for (const auto& [tag, words] : classes->members) tags.push_back(tag);
  expect_same_rows(tags, {std::begin(kClassTags), std::end(kClassTags)}, "class tag");

  auto read = read_semantic_classes_document(embedded::semantic_classes_document());
  ASSERT_TRUE(read.ok()) << read.error();
  const auto text = [](std::string_view prev, std::string_view target, std::int64_t boost) {
    return std::string(prev) + " -> " + std::string(target) + " " + std::to_string(boost);
  };
  std::vector<std::string> got, want;
  for (const auto& rule : read.value().class_bigram_rules) {
    got.push_back(text(rule.prev_class, rule.target, rule.recommended_boost));
  }
  for (const auto& rule : kClassRules) want.push_back(text(rule.prev_class, rule.target, rule.boost));
  expect_same_rows(got, want, "class rule");

  // Every rule names the words its target competes with; the engine skips them, the tables'
  // maintainers read them.
  const JsonValue* written_rules = member(parsed.value().root(), "class_bigram_rules");
  ASSERT_NE(written_rules, nullptr);
  for (const JsonValue& rule : written_rules->items) {
    const JsonValue* competes = member(rule, "competes_with");
    const JsonValue* target = member(rule, "target");
    EXPECT_TRUE(competes != nullptr && !competes->items.empty())
        << (target ? target->text : std::string("a rule")) << " names no competitor";
  }
}

TEST(ShippedTables, EveryWordOfEveryTableIsALexiconWord) {
  auto engine = engine_load();
  ASSERT_TRUE(engine.ok()) << engine.error();
  const LexiconTrie& lexicon = engine.value().lexicon;
  const RulesDocument rules = shipped_rules();
  auto aliases = read_aliases_document(embedded::aliases_document());
  auto bigrams = read_bigrams_document(embedded::bigrams_document());
  auto classes = read_semantic_classes_document(embedded::semantic_classes_document());
  auto classes_json = parse_json(embedded::semantic_classes_document());
  ASSERT_TRUE(aliases.ok() && bigrams.ok() && classes.ok() && classes_json.ok());

  std::set<std::string> words;
  const auto add_lists = [&](const TextListMap& map) {
    for (const auto& [key, list] : map) words.insert(list.begin(), list.end());
  };
  add_lists(aliases.value().aliases);
  add_lists(rules.loanwords);
  add_lists(classes.value().classes);
  for (const auto& [variant, standard] : rules.normalization_equivalents) words.insert(standard);
  for (const auto& [previous, row] : bigrams.value().bigrams) {
    words.insert(previous);
    for (const auto& [next, weight] : row) words.insert(next);
  }
  for (const auto& rule : classes.value().class_bigram_rules) words.insert(rule.target);
  if (const JsonValue* written = member(classes_json.value().root(), "class_bigram_rules")) {
    for (const JsonValue& rule : written->items) {
      if (const JsonValue* competes = member(rule, "competes_with")) {
        for (const JsonValue& word : competes->items) words.insert(word.text);
      }
    }
  }

  std::vector<std::string> missing;
  for (const std::string& word : words) {
    if (trie_frequency(lexicon, word) == 0) missing.push_back(word);
  }
  EXPECT_GT(words.size(), 5000u);
  std::string shown;
  for (std::size_t i = 0; i < missing.size() && i < 20; ++i) shown += " " + missing[i];
  EXPECT_TRUE(missing.empty()) << missing.size() << " of " << words.size()
                               << " table words are not in the lexicon, first ones:" << shown;
}

}  // namespace
}  // namespace tarovik
