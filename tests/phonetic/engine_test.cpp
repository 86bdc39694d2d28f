#include "phonetic/engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "phonetic/embedded_data.h"
#include "phonetic/suggest.h"
#include "tvtr_writer.h"

namespace tarovik {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// Figures of the lexicon under data/ (data/README.md).
constexpr std::uint32_t kShippedWordCount = 766054;
constexpr std::uint16_t kShippedKathmanduFrequency = 37850;

constexpr std::string_view kRules = R"({"rules": [
  {"roman": "t", "emissions": [{"text": "त", "penalty": 0, "kind": "consonant"}]},
  {"roman": "", "emissions": [{"text": "अ", "penalty": 0, "kind": "vowel"}]},
  {"roman": "Th", "emissions": [{"text": "ठ", "penalty": 0, "kind": "consonant"}]},
  {"roman": "\\", "emissions": [{"text": "्", "penalty": 0, "kind": "halanta"}]}
 ], "loanwords": {"car": ["कार", "कर"]}, "normalizationEquivalents": {"शहर": "सहर"},
 "devanagariDigits": {"1": "१"}})";
constexpr std::string_view kBigrams = R"({"bigrams": {"म": {"पनि": 46000}}})";
constexpr std::string_view kClasses = R"({"classes": {"RATE_PREFIX": ["बजार"], "PLACE": ["बजार", "गाउँ"]},
 "class_bigram_rules": [["PLACE", "जान", 8500], ["RATE_PREFIX", "दर", 9500], ["PLACE", "जान", 9000]]})";

// An engine built from a small lexicon and alias table, with the other tables above.
class SmallEngine : public ::testing::Test {
 protected:
  Result<TransliterationEngine> build(std::vector<LexiconWord> words, std::string aliases_json) {
    auto trie = write_lexicon_trie(std::move(words));
    EXPECT_TRUE(trie.ok());
    lexicon_gz_ = gzip_bytes(trie.value());
    aliases_json_ = std::move(aliases_json);
    return engine_load_from({lexicon_gz_, kRules, aliases_json_, kBigrams, kClasses});
  }

  std::vector<std::uint8_t> lexicon_gz_;
  std::string aliases_json_;
};

TEST_F(SmallEngine, SkeletonIndexTakesAliasWordsFromFifteenThousandUp) {
  auto engine = build({{"कलम", 14999}, {"कमल", 15000}}, R"({"aliases": {"kalam": ["कलम"], "kamal": ["कमल"]}})");
  ASSERT_TRUE(engine.ok()) << engine.error();
  const auto& index = engine.value().skeleton_index;
  EXPECT_FALSE(index.contains("klm"));
  ASSERT_TRUE(index.contains("kml"));
  EXPECT_THAT(index.at("kml"), ElementsAre("कमल"));
}

TEST_F(SmallEngine, SkeletonIndexKeepsThreeMostFrequentAndCountsEachWordOnce) {
  // Five words share the skeleton "kr"; "कर" is listed under two keys and must take one slot.
  auto engine = build({{"कर", 40000}, {"कार", 30000}, {"केर", 20000}, {"कुर", 20000}, {"किर", 16000}},
                      R"({"aliases": {"kar": ["कर", "कार"], "tax": ["कर"], "ker": ["केर"], "kur": ["कुर"],
                          "kir": ["किर"]}})");
  ASSERT_TRUE(engine.ok()) << engine.error();
  // Equal frequencies are ordered by text.
  EXPECT_THAT(engine.value().skeleton_index.at("kr"), ElementsAre("कर", "कार", "कुर"));
}

TEST_F(SmallEngine, SkeletonIndexSkipsOneLetterSkeletons) {
  auto engine = build({{"म", 60000}, {"मम", 60000}, {"आमा", 50000}}, R"({"aliases": {"ma": ["म", "मम", "आमा"]}})");
  ASSERT_TRUE(engine.ok()) << engine.error();
  EXPECT_THAT(engine.value().skeleton_index, IsEmpty());
}

TEST(DevanagariSkeleton, DropsNuktaAndNuktaLettersAndUnmappedConsonants) {
  EXPECT_EQ(devanagari_skeleton_letters("पढ़ाइ"), "pd");  // ढ + nukta sign counts as ढ
  EXPECT_EQ(devanagari_skeleton_letters("पढाइ"), "pd");
  EXPECT_EQ(devanagari_skeleton_letters("प\u095Dाइ"), "p");  // precomposed ढ़ is dropped whole
  EXPECT_EQ(devanagari_skeleton_letters("ळऴऩऱ"), "");
  EXPECT_EQ(devanagari_skeleton_letters("क्षत्रिय"), "kstry");
  EXPECT_EQ(devanagari_skeleton_letters("ङञणन"), "nnnn");
  EXPECT_EQ(devanagari_skeleton_letters("१२३ abc"), "");
}

TEST_F(SmallEngine, IndexesRulesByLowerCasedFirstLetterAndDropsEmptyRoman) {
  auto engine = build({{"त", 100}}, R"({"aliases": {}})");
  ASSERT_TRUE(engine.ok()) << engine.error();
  const auto& rules = engine.value().rules_by_first_char;
  ASSERT_TRUE(rules.contains(U't'));
  std::vector<std::string> romans;
  for (const RuleEntry& rule : rules.at(U't')) romans.push_back(rule.roman);
  EXPECT_THAT(romans, ElementsAre("t", "Th"));
  EXPECT_TRUE(rules.contains(U'\\'));
  EXPECT_FALSE(rules.contains(U'T'));
  EXPECT_EQ(rules.size(), 2u);
}

TEST_F(SmallEngine, InvertsClassesAndFoldsClassBigrams) {
  auto engine = build({{"बजार", 100}}, R"({"aliases": {}})");
  ASSERT_TRUE(engine.ok()) << engine.error();
  const auto& e = engine.value();
  EXPECT_THAT(e.word_classes.at("बजार"), ElementsAre("PLACE", "RATE_PREFIX"));
  EXPECT_THAT(e.word_classes.at("गाउँ"), ElementsAre("PLACE"));
  EXPECT_EQ(e.class_bigrams.at("PLACE"), (WeightRow{{"जान", 9000}}));  // the later rule wins
  EXPECT_EQ(*find_value(e.class_bigrams.at("RATE_PREFIX"), "दर"), 9500);
  EXPECT_THAT(e.learned_aliases, IsEmpty());
  EXPECT_EQ(e.loanwords.at("car"), (std::vector<std::string>{"कार", "कर"}));
  EXPECT_EQ(*find_value(e.bigrams.at("म"), "पनि"), 46000);
}

TEST_F(SmallEngine, ReportsTheFirstFailingSourceWithItsPrefix) {
  auto trie = write_lexicon_trie({{"क", 1}});
  ASSERT_TRUE(trie.ok());
  const auto gz = gzip_bytes(trie.value());
  const std::string_view aliases = R"({"aliases": {}})";

  auto damaged = gz;
  damaged[damaged.size() - 6] ^= 0xFF;  // the CRC-32 of the trailer
  auto result = engine_load_from({damaged, kRules, aliases, kBigrams, kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("Failed to decompress lexicon.tvtrie.gz: "));

  const std::vector<std::uint8_t> not_gzip = {1, 2, 3};
  result = engine_load_from({not_gzip, kRules, aliases, kBigrams, kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("Failed to decompress lexicon.tvtrie.gz: "));

  std::vector<std::uint8_t> bad_magic = trie.value();
  bad_magic[0] = 'X';
  result = engine_load_from({gzip_bytes(bad_magic), kRules, aliases, kBigrams, kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "Invalid TVTR magic header");
  // The parser stops at the header, but the stream is still checked to its end.
  auto bad_magic_and_crc = gzip_bytes(bad_magic);
  bad_magic_and_crc[bad_magic_and_crc.size() - 6] ^= 0xFF;
  result = engine_load_from({bad_magic_and_crc, kRules, aliases, kBigrams, kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("Failed to decompress lexicon.tvtrie.gz: "));

  result = engine_load_from({gz, "{", aliases, kBigrams, kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("rules parse error: "));

  // Aliases are read before bigrams: with both broken, the aliases error is the result.
  result = engine_load_from({gz, kRules, "[]", "[]", kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("aliases parse error: "));

  result = engine_load_from({gz, kRules, aliases, R"({"bigrams": {"म": {"पनि": 53120.0}}})", kClasses});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("bigrams parse error: "));
  EXPECT_THAT(result.error(), HasSubstr("floating"));

  result = engine_load_from({gz, kRules, aliases, kBigrams, R"({"classes": {}})"});
  ASSERT_FALSE(result.ok());
  EXPECT_THAT(result.error(), StartsWith("semantic-classes parse error: missing field `class_bigram_rules`"));
}

// The engine the program carries: every shipped table reads and the rule index has the
// shape the phonetic rules rely on.
class ShippedEngine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto loaded = engine_load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    engine_ = new TransliterationEngine(std::move(loaded).value());
  }
  static void TearDownTestSuite() {
    delete engine_;
    engine_ = nullptr;
  }
  static std::vector<std::string> romans(char32_t first) {
    std::vector<std::string> out;
    for (const RuleEntry& rule : engine_->rules_by_first_char.at(first)) out.push_back(rule.roman);
    return out;
  }
  static TransliterationEngine* engine_;
};
TransliterationEngine* ShippedEngine::engine_ = nullptr;

TEST_F(ShippedEngine, FilesRulesUnderTheirLowerCasedFirstLetter) {
  EXPECT_EQ(engine_->rules_by_first_char.size(), 31u);
  EXPECT_THAT(romans(U't'), ElementsAre("tion", "ttw", "tt", "tra", "tr", "Th", "th", "T", "t"));
  EXPECT_THAT(romans(U's'), ElementsAre("sion", "shtr", "shth", "sht", "shr", "shri", "sh", "S", "s"));
  for (char32_t sign : {U'\\', U'/', U'*', U'~', U'^'}) EXPECT_EQ(romans(sign).size(), 1u);
  EXPECT_EQ(engine_->devanagari_digits.size(), 10u);
  EXPECT_EQ(engine_->normalization_equivalents.size(), 36u);
}

TEST_F(ShippedEngine, CarriesTheShippedLexicon) {
  EXPECT_EQ(engine_->lexicon.word_count, kShippedWordCount);
  EXPECT_EQ(trie_frequency(engine_->lexicon, "काठमाडौँ"), kShippedKathmanduFrequency);
  EXPECT_EQ(engine_->lexicon.subtree_max_freq[0], 64675);
  EXPECT_EQ(engine_->aliases.at("kathmandu"), (std::vector<std::string>{"काठमाडौँ", "काठमाण्डौ"}));
  EXPECT_EQ(engine_->aliases.at("namaste"), (std::vector<std::string>{"नमस्ते"}));
  EXPECT_TRUE(engine_->learned_aliases.empty());
}

TEST_F(ShippedEngine, CommonWordsComeFirst) {
  for (auto [roman, word] : {std::pair{"kathmandu", "काठमाडौँ"}, {"namaste", "नमस्ते"}, {"nepal", "नेपाल"}}) {
    const SuggestResult result = suggest(*engine_, roman, {});
    ASSERT_FALSE(result.candidates.empty()) << roman;
    EXPECT_EQ(result.candidates.front().text, word) << roman;
  }
}

// Spellings the rules cannot read (a dropped nasal, a borrowed word as it sounds, the virama of a
// final स्) reach their words through generated aliases, and so do careful spellings the engine's
// beam loses; inflected forms of stems in use are words of the lexicon; of two spellings the rules
// read, the one written more often comes first.
TEST_F(ShippedEngine, TypistSpellingsReachTheirWords) {
  for (auto [roman, word] : {std::pair{"hasdai", "हाँस्दै"}, {"ofis", "अफिस"}, {"nachhodideu", "नछोडिदेऊ"},
                             {"sochdo", "सोच्दो"}, {"gharjasto", "घरजस्तो"}, {"awos", "आओस्"}, {"afukaa", "आफूका"},
                             {"khaanchhau", "खान्छौ"}}) {
    const SuggestResult result = suggest(*engine_, roman, {});
    ASSERT_FALSE(result.candidates.empty()) << roman;
    EXPECT_EQ(result.candidates.front().text, word) << roman;
  }
}

// "ma kathmandu ma baschhu" word by word: the word before decides between म and मा.
TEST_F(ShippedEngine, ThePreviousWordPicksTheNextOne) {
  const struct {
    const char* previous;
    const char* roman;
    const char* first;
  } sentence[] = {{"", "ma", "म"}, {"म", "kathmandu", "काठमाडौँ"}, {"काठमाडौँ", "ma", "मा"}, {"मा", "baschhu", "बस्छु"}};
  for (const auto& word : sentence) {
    SuggestOptions options;
    if (*word.previous != '\0') options.previous_word = word.previous;
    const SuggestResult result = suggest(*engine_, word.roman, options);
    ASSERT_FALSE(result.candidates.empty()) << word.roman;
    EXPECT_EQ(result.candidates.front().text, word.first) << word.previous << " " << word.roman;
  }
}

TEST_F(ShippedEngine, SecondConstructionIsIndependent) {
  auto second = engine_load();
  ASSERT_TRUE(second.ok()) << second.error();
  second.value().learned_aliases["namaste"].push_back({"नमस्ते", 1});
  EXPECT_TRUE(engine_->learned_aliases.empty());
  EXPECT_EQ(second.value().lexicon.node_count, engine_->lexicon.node_count);
}

}  // namespace
}  // namespace tarovik
