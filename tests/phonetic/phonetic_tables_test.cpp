#include "phonetic/phonetic_tables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "phonetic/embedded_data.h"

namespace tarovik {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A rules document around the given rules, with the three maps present.
std::string rules_text(std::string_view rules) {
  return "{\"rules\": [" + std::string(rules) +
         "], \"loanwords\": {}, \"normalizationEquivalents\": {}, \"devanagariDigits\": {}}";
}

std::string rules_error(std::string_view text) {
  auto read = read_rules_document(text);
  return read ? "(read)" : read.error();
}

bool same(const PhoneticEmission& a, const PhoneticEmission& b) {
  return a.text == b.text && a.penalty == b.penalty && a.kind == b.kind;
}

TEST(TablesRules, ObjectAndArrayFormsReadAlike) {
  auto read = read_rules_document(rules_text(R"(
    {"roman": "aa", "notes": {"why": ["skipped"]}, "emissions": [{"text": "आ", "penalty": 0, "kind": "vowel"}],
     "matraEmissions": [{"kind": "vowel", "text": "ा", "penalty": 1}]},
    ["aa", [["आ", 0, "vowel"]], [["ा", 1, "vowel"]]])"));
  ASSERT_TRUE(read.ok()) << read.error();
  const auto& rules = read.value().rules;
  ASSERT_EQ(rules.size(), 2u);
  for (const RuleEntry& rule : rules) {
    EXPECT_EQ(rule.roman, "aa");
    ASSERT_EQ(rule.emissions.size(), 1u);
    ASSERT_TRUE(rule.matra_emissions.has_value());
    ASSERT_EQ(rule.matra_emissions->size(), 1u);
    EXPECT_TRUE(same((*rule.matra_emissions)[0], PhoneticEmission{"ा", 1.0, "vowel"}));
  }
  EXPECT_TRUE(same(rules[0].emissions[0], rules[1].emissions[0]));
}

TEST(TablesRules, MatraEmissionsAbsentOrNullMeanNoneButEmptyIsKept) {
  auto read = read_rules_document(rules_text(R"(
    {"roman": "k", "emissions": [["क", 0.25, "consonant"]]},
    {"roman": "k", "emissions": [], "matraEmissions": null},
    ["k", [], null],
    {"roman": "k", "emissions": [], "matraEmissions": []},
    {"roman": "", "emissions": []})"));
  ASSERT_TRUE(read.ok()) << read.error();
  const auto& rules = read.value().rules;
  ASSERT_EQ(rules.size(), 5u);
  EXPECT_FALSE(rules[0].matra_emissions.has_value());
  EXPECT_EQ(rules[0].emissions[0].penalty, 0.25);
  EXPECT_FALSE(rules[1].matra_emissions.has_value());
  EXPECT_FALSE(rules[2].matra_emissions.has_value());
  ASSERT_TRUE(rules[3].matra_emissions.has_value());
  EXPECT_TRUE(rules[3].matra_emissions->empty());
  EXPECT_EQ(rules[4].roman, "");  // the engine drops it, not the reader

  auto empty = read_rules_document(rules_text(""));
  ASSERT_TRUE(empty.ok()) << empty.error();
  EXPECT_TRUE(empty.value().rules.empty());
}

TEST(TablesRules, DocumentAndRecordKeysAreStrict) {
  EXPECT_EQ(rules_error("{\n  \"rules\": [],\n  \"rules\": [],\n  \"loanwords\": {}, \"normalizationEquivalents\": {},"
                        " \"devanagariDigits\": {}}"),
            "duplicate field `rules` at line 3 column 3");
  EXPECT_EQ(rules_error("{\"$schema\": \"x\", \"loanwords\": {}, \"normalizationEquivalents\": {},\n"
                        "\"devanagariDigits\": {}}"),
            "missing field `rules` at line 2 column 23");
  EXPECT_THAT(rules_error("[[], {}, {}, {}]"), HasSubstr("invalid type: sequence, expected struct RulesDocument"));
  EXPECT_THAT(rules_error(rules_text(R"({"roman": "k", "roman": "g", "emissions": []})")),
              HasSubstr("duplicate field `roman` at line 1 column 27"));
  EXPECT_THAT(rules_error(rules_text(R"({"roman": "k"})")), HasSubstr("missing field `emissions`"));
  EXPECT_THAT(rules_error(rules_text(R"({"roman": "k", "emissions": [{"text": "क", "penalty": 0}]})")),
              HasSubstr("missing field `kind`"));
}

TEST(TablesRules, RecordArraysNeedExactlyThreeValues) {
  EXPECT_EQ(rules_error(rules_text(R"(["k", []])")),
            "invalid length 2, expected struct RuleEntry with 3 elements at line 1 column 20");
  EXPECT_THAT(rules_error(rules_text(R"(["k", [["क", 0, "consonant", 1]], null])")),
              HasSubstr("expected struct PhoneticEmission with 3 elements at line 1 column 41"));
  EXPECT_THAT(rules_error(rules_text(R"(["k", [], null, null])")), HasSubstr("struct RuleEntry with 3 elements"));
}

TEST(TablesRules, WrongTypesNameWhatWasExpected) {
  EXPECT_EQ(rules_error(rules_text(R"({"roman": "k", "emissions": [["क", "0.5", "consonant"]]})")),
            "invalid type: string \"0.5\", expected f64 at line 1 column 47");
  EXPECT_THAT(rules_error(rules_text(R"({"roman": 7, "emissions": []})")), HasSubstr("expected a string"));
  EXPECT_THAT(rules_error(rules_text(R"({"roman": "k", "emissions": {}})")), HasSubstr("invalid type: map, expected a sequence"));
  EXPECT_THAT(rules_error(R"({"rules": [], "loanwords": {"car": {"w": "कार"}}, "normalizationEquivalents": {},)"
                          R"( "devanagariDigits": {}})"),
              HasSubstr("invalid type: map, expected a sequence of strings"));
  EXPECT_THAT(rules_error(R"({"rules": [], "loanwords": [], "normalizationEquivalents": {}, "devanagariDigits": {}})"),
              HasSubstr("invalid type: sequence, expected a map"));
  EXPECT_THAT(rules_error("{\"rules\": []} trailing"), HasSubstr("trailing characters at line 1 column 15"));
  EXPECT_THAT(rules_error("rules"), HasSubstr("syntax error"));
}

// Well-formed tables are read front to back without a tree, the others through the tree that
// names their fault: both ways read the same values and refuse the same texts.
TEST(TablesText, EscapesAndNumbersReadAsTheTreeReadsThem) {
  auto read = read_rules_document(rules_text(
      R"(["\u0915\"\\\/\t\ud83d\ude00", [["a", -0, "k"], ["b", 2.5E-1, "k"], ["c", 18446744073709551615, "k"],)"
      R"( ["d", 99999999999999999999, "k"], ["e", 1e0, "k"]], null])"));
  ASSERT_TRUE(read.ok()) << read.error();
  const RuleEntry& rule = read.value().rules.at(0);
  EXPECT_EQ(rule.roman, "क\"\\/\t\U0001F600");
  std::vector<double> penalties;
  for (const PhoneticEmission& e : rule.emissions) penalties.push_back(e.penalty);
  EXPECT_EQ(penalties, (std::vector<double>{0.0, 0.25, 18446744073709551615.0, 1e20, 1.0}));
  EXPECT_FALSE(std::signbit(penalties[0]));  // -0 is the integer 0
}

TEST(TablesText, SkippedValuesAreCheckedAndMayNestDeeply) {
  const auto with_extra = [](std::string_view extra) {
    auto read = read_aliases_document(R"({"aliases": {}, "x": )" + std::string(extra) + "}");
    return read ? std::string("(read)") : read.error();
  };
  const std::pair<std::string_view, std::string_view> faults[] = {
      {R"("\udc00")", "surrogate U+DC00..U+DFFF must follow"}, {"1e999", "number overflow"},
      {"01", "syntax error"},     {"\"\xC0\x80\"", "ill-formed UTF-8"},
      {"\"a\tb\"", "control character"}, {"nul", "invalid literal"},
  };
  for (const auto& [extra, fault] : faults) EXPECT_THAT(with_extra(extra), HasSubstr(fault)) << extra;
  EXPECT_EQ(with_extra(std::string(300, '[') + std::string(300, ']')), "(read)");
}

TEST(TablesFreeMaps, TakeAnyKeyAndLetTheLaterValueWin) {
  auto rules = read_rules_document(
      R"({"rules": [], "loanwords": {"car": ["कार", "कर"], "car": ["कार"]},)"
      R"( "normalizationEquivalents": {"शहर": "सहर"}, "devanagariDigits": {"1": "१", "1": "१"}})");
  ASSERT_TRUE(rules.ok()) << rules.error();
  EXPECT_THAT(*find_value(rules.value().loanwords, "car"), ElementsAre("कार"));
  EXPECT_EQ(*find_value(rules.value().normalization_equivalents, "शहर"), "सहर");

  auto aliases = read_aliases_document(
      R"({"$schema": "./aliases.schema.json", "description": "x", "aliases": {"saman": ["सामान", "समान", "सम्मान"],)"
      R"( "1dam": ["एकदम"]}})");
  ASSERT_TRUE(aliases.ok()) << aliases.error();
  EXPECT_THAT(*find_value(aliases.value().aliases, "saman"), ElementsAre("सामान", "समान", "सम्मान"));
  EXPECT_THAT(read_aliases_document(R"({"aliases": {"ma": ["म", 2]}})").error(), HasSubstr("expected a string"));
  EXPECT_THAT(read_aliases_document(R"({"description": "x"})").error(), HasSubstr("missing field `aliases`"));
}

TEST(TablesBigrams, LaterRowReplacesTheEarlierWhole) {
  auto read = read_bigrams_document(
      "{\"description\": \"x\", \"bigrams\": {\r\n \"को\": {\"फूल\": 12000, \"दिन\": 18000},\r\n"
      " \"को\": {\"लागि\": 53120}, \"म\": {\"पनि\": 46000}}}\r\n");
  ASSERT_TRUE(read.ok()) << read.error();
  const WeightRow* row = find_value(read.value().bigrams, "को");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(*row, (WeightRow{{"लागि", 53120}}));
  EXPECT_EQ(*find_value(*find_value(read.value().bigrams, "म"), "पनि"), 46000);
}

TEST(TablesBigrams, WeightsMustBeSixtyFourBitIntegers) {
  EXPECT_EQ(read_bigrams_document("{\"bigrams\": {\n  \"को\": {\"लागि\": 53120.0}}}").error(),
            "invalid type: floating point `53120.0`, expected i64 at line 2 column 18");
  EXPECT_THAT(read_bigrams_document(R"({"bigrams": {"को": {"लागि": 9223372036854775808}}})").error(),
              HasSubstr("invalid value: integer `9223372036854775808`, expected i64"));
  EXPECT_THAT(read_bigrams_document(R"({"bigrams": {"को": ["लागि", 1]}})").error(), HasSubstr("expected a map"));
  auto extreme = read_bigrams_document(R"({"bigrams": {"a": {"b": -9223372036854775808, "c": 9223372036854775807}}})");
  ASSERT_TRUE(extreme.ok()) << extreme.error();
}

TEST(TablesSemanticClasses, SkipsProseAndKeepsOrder) {
  auto read = read_semantic_classes_document(R"({
    "version": "0.3.1",
    "classes": {"PLACE": ["काठमाडौँ", "पोखरा", "काठमाडौँ"], "TAX_TERM": ["कर"]},
    "right_context_lookahead": [{"target": "कर", "competes_with": ["कार"], "next_words": [[{"x": 1}]], "notes": "n"}],
    "class_bigram_rules": [
      {"prev_class": "PLACE", "target": "जान", "recommended_boost": 8500, "competes_with": ["जाना"], "notes": "n"},
      ["TAX_TERM", "कर", 9000]
    ]})");
  ASSERT_TRUE(read.ok()) << read.error();
  EXPECT_THAT(*find_value(read.value().classes, "PLACE"), ElementsAre("काठमाडौँ", "पोखरा", "काठमाडौँ"));
  const auto& rules = read.value().class_bigram_rules;
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].prev_class, "PLACE");
  EXPECT_EQ(rules[0].recommended_boost, 8500);
  EXPECT_EQ(rules[1].target, "कर");
  EXPECT_EQ(rules[1].recommended_boost, 9000);

  EXPECT_THAT(read_semantic_classes_document(R"({"classes": {}, "class_bigram_rules": [["PLACE", "जान"]]})").error(),
              HasSubstr("invalid length 2, expected struct ClassBigramRule with 3 elements"));
  EXPECT_THAT(read_semantic_classes_document(R"({"classes": {}, "class_bigram_rules": [["PLACE", "जान", 8.5e3]]})").error(),
              HasSubstr("invalid type: floating point `8.5e3`, expected i64"));
  EXPECT_THAT(read_semantic_classes_document(R"({"classes": {}})").error(), HasSubstr("missing field `class_bigram_rules`"));
}

TEST(TablesShipped, RuleTableHasItsFixedShape) {
  auto read = read_rules_document(embedded::rules_document());
  ASSERT_TRUE(read.ok()) << read.error();
  const auto& rules = read.value().rules;
  ASSERT_EQ(rules.size(), 92u);
  std::map<std::string, int> kinds;
  int with_matra = 0;
  for (const RuleEntry& rule : rules) {
    for (const auto& e : rule.emissions) ++kinds[e.kind];
    if (!rule.matra_emissions) continue;
    ++with_matra;
    for (const auto& e : *rule.matra_emissions) ++kinds[e.kind];
  }
  EXPECT_EQ(with_matra, 19);
  EXPECT_EQ(kinds, (std::map<std::string, int>{
                       {"cluster", 51}, {"consonant", 67}, {"halanta", 2}, {"nasal", 7}, {"vowel", 62}}));
  EXPECT_EQ(rules.front().roman, "tion");
  EXPECT_EQ(rules[16].roman, "shr");
  EXPECT_EQ(rules[17].roman, "shri");
  EXPECT_EQ(rules.back().roman, "^");
  EXPECT_TRUE(same((*rules[82].matra_emissions)[0], PhoneticEmission{"", 0.0, "vowel"}));
  EXPECT_EQ(read.value().normalization_equivalents.size(), 36u);
  EXPECT_EQ(*find_value(read.value().devanagari_digits, "7"), "७");

  EXPECT_TRUE(read_aliases_document(embedded::aliases_document()).ok());
  EXPECT_TRUE(read_bigrams_document(embedded::bigrams_document()).ok());
  EXPECT_TRUE(read_semantic_classes_document(embedded::semantic_classes_document()).ok());
}

}  // namespace
}  // namespace tarovik
