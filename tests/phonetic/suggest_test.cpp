#include "phonetic/suggest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "phonetic/prediction.h"
#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class Suggest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    engine_ = new TransliterationEngine(testing::build_engine({
        .words = {{"काठमाडौँ", 40000}, {"घर", 30000}, {"काम", 30000}, {"कमल", 30000}, {"कामना", 20000},
                  {"कामदार", 15000}, {"नमस्ते", 30000}, {"डाक्टर", 20000}},
        .aliases = R"({"aliases": {"kathmandu": ["काठमाडौँ", "काठमाण्डौ"], "ktm": ["काठमाडौँ"],
                       "dui": ["दुई", "दुई"], "gharma": ["घरमै"]}})",
        .rules = {},
    }));
    // Loanwords come with the rule document; add a few for the tests.
    engine_->loanwords["doctor"] = {"डाक्टर"};
    engine_->loanwords["radio"] = {"रेडियो"};
  }
  static void TearDownTestSuite() { delete engine_; }

  static SuggestResult run(std::string_view roman, SuggestOptions options = {}) {
    return suggest(*engine_, roman, options);
  }
  static std::vector<std::string> texts(const SuggestResult& result) {
    std::vector<std::string> out;
    for (const Candidate& c : result.candidates) out.push_back(c.text);
    return out;
  }
  static std::int64_t score_of(const SuggestResult& result, std::string_view text) {
    for (const Candidate& c : result.candidates) {
      if (c.text == text) return c.score;
    }
    return -1;
  }
  static void expect_literal(std::string_view roman, std::string_view text, bool bypassed,
                             SuggestOptions options = {}) {
    const SuggestResult result = run(roman, options);
    EXPECT_THAT(result.candidates, ElementsAre(Candidate{std::string(text), 100000})) << roman;
    EXPECT_EQ(result.bypassed, bypassed) << roman;
  }

  static TransliterationEngine* engine_;
};
TransliterationEngine* Suggest::engine_ = nullptr;

TEST_F(Suggest, BlankTextGivesNothing) {
  const SuggestResult result = run(" \t ");
  EXPECT_THAT(result.candidates, IsEmpty());
  EXPECT_FALSE(result.bypassed);
}

TEST_F(Suggest, BackticksEscapeTheText) {
  expect_literal("`wifi`", "wifi", true);
  expect_literal("``", "", true);
  EXPECT_FALSE(run("`").bypassed);
}

TEST_F(Suggest, AddressesPassThroughAsTyped) {
  expect_literal("HTTPS://Example.com/A", "HTTPS://Example.com/A", true);
  expect_literal("www.x", "www.x", true);
  expect_literal("ram@mail.com", "ram@mail.com", true);
  expect_literal("kathmandu.np", "kathmandu.np", true);
  expect_literal("ku.edu.np/admission?x#y", "ku.edu.np/admission?x#y", true);
  expect_literal("my-site.info", "my-site.info", true);
  expect_literal("@ram_k.9", "@ram_k.9", true);
  expect_literal("#NepalTrip", "#NepalTrip", true);
  // The text after the last dot of a path is no top-level domain.
  EXPECT_FALSE(run("example.com/page.html").bypassed);
  EXPECT_FALSE(run("@ram@").bypassed);
  EXPECT_FALSE(run("@ram").candidates.empty());
  EXPECT_FALSE(run("@").bypassed);
  EXPECT_FALSE(run("#").bypassed);
  EXPECT_FALSE(run("a b@c.d").bypassed);
  EXPECT_FALSE(run("@a.com").candidates.empty());
}

TEST_F(Suggest, VersionsDatesAndTimesPassThroughUnconverted) {
  const SuggestOptions digits{.devanagari_digits = true};
  for (std::string_view text : {"10.5", "2026-11-28", "V2.0.1", "12:30", "v1_2"}) expect_literal(text, text, true, digits);
}

TEST_F(Suggest, AcronymsPassThrough) {
  for (std::string_view text : {"NTC", "CPU2", "2FA"}) expect_literal(text, text, true);
  EXPECT_FALSE(run("Ab").bypassed);
  EXPECT_FALSE(run("A1").bypassed);
}

TEST_F(Suggest, NumbersComeBackThroughDigitConversion) {
  const SuggestOptions digits{.devanagari_digits = true, .smart_numerals = true};
  expect_literal("123", "१२३", false, digits);
  expect_literal("+977", "+977", false, digits);
  expect_literal("12.", "१२.", false, digits);
  expect_literal("123", "123", false);
  expect_literal("+977", "+९७७", false, {.devanagari_digits = true});
}

TEST_F(Suggest, LimitZeroMeansFive) {
  EXPECT_EQ(run("ka").candidates.size(), 5u);
  EXPECT_EQ(run("ka", {.limit = 2}).candidates.size(), 2u);
}

TEST_F(Suggest, AliasesLeadAndTheirListOrderCounts) {
  const SuggestResult result = run("kathmandu");
  ASSERT_GE(result.candidates.size(), 2u);
  EXPECT_EQ(result.candidates[0].text, "काठमाडौँ");
  EXPECT_EQ(result.candidates[0].score, 64000 + 38000 + 28000);
  EXPECT_EQ(score_of(result, "काठमाण्डौ"), 58000 + 38000 + 28000);
  // A word listed twice is offered once, with its best score.
  const auto dui = texts(run("dui"));
  EXPECT_EQ(std::count(dui.begin(), dui.end(), "दुई"), 1);
}

TEST_F(Suggest, LoanwordPluralsAndCaseEndings) {
  EXPECT_EQ(score_of(run("doctors"), "डाक्टर्स"), 58000 + 38000 + 28000);
  EXPECT_EQ(score_of(run("radios"), "रेडियोज"), 58000 + 38000 + 28000);
  const SuggestResult le = run("doctorle");
  EXPECT_EQ(score_of(le, "डाक्टरले"), 46000);
}

TEST_F(Suggest, AnchoredTextSkipsCaseEndings) {
  // Without an alias, घरमा is built from the frequent stem घर with its floor.
  const SuggestResult free = run("gharko");
  EXPECT_GT(score_of(free, "घरको"), 70000);
  // With an alias for the whole text, only the plain rule reading of घरमा remains.
  const SuggestResult anchored = run("gharma", {.limit = 20});
  EXPECT_EQ(anchored.candidates.front().text, "घरमै");
  EXPECT_LT(score_of(anchored, "घरमा"), 30000);
}

TEST_F(Suggest, ConsonantSkeletonFindsVowellessShorthand) {
  // ktmd: no rule reading is a word, so the skeleton of काठमाडौँ answers.
  EXPECT_EQ(score_of(run("ktmd"), "काठमाडौँ"), 14000 + 26000 + 40000);
  // With vowels typed the skeleton is not consulted.
  EXPECT_EQ(score_of(run("katamada"), "काठमाडौँ"), -1);
}

TEST_F(Suggest, CompletionsGrowFromSeedsOfTwoCharactersOrMore) {
  EXPECT_THAT(texts(run("k", {.limit = 20})), Not(Contains("कमल")));
  // "क" (one character) is skipped as a seed; "का" grows to काम and कामना.
  const auto ka = texts(run("ka", {.limit = 20}));
  EXPECT_THAT(ka, Contains("काम"));
  EXPECT_THAT(ka, Not(Contains("कमल")));
}

TEST_F(Suggest, EqualScoresComeInByteOrder) {
  const SuggestResult result = run("xyzq", {.limit = 50});
  for (std::size_t i = 1; i < result.candidates.size(); ++i) {
    const Candidate& a = result.candidates[i - 1];
    const Candidate& b = result.candidates[i];
    EXPECT_TRUE(a.score > b.score || (a.score == b.score && a.text < b.text)) << a.text << " " << b.text;
  }
}

TEST_F(Suggest, LearnedWordsComeFirstFromTheNextCall) {
  TransliterationEngine engine = testing::build_engine({.words = {{"नमस्ते", 30000}, {"नमस्कार", 20000}}});
  EXPECT_EQ(suggest(engine, "namaste", {}).candidates.front().text, "नमस्ते");
  learn_promoted_word(engine, "Namaste", "नमस्कार");
  const SuggestResult result = suggest(engine, "namaste", {});
  EXPECT_EQ(result.candidates.front().text, "नमस्कार");
  EXPECT_EQ(result.candidates.front().score, 96000 + 38000 + 28000);
}

TEST_F(Suggest, SearchPrefixFindsFrequentWordsFirst) {
  const auto matches = trie_search_prefix(engine_->lexicon, "का", 6);
  std::vector<std::string> words;
  for (const PrefixMatch& m : matches) words.push_back(m.word);
  EXPECT_THAT(words, ElementsAre("काठमाडौँ", "काम", "कामना", "कामदार"));
  EXPECT_THAT(trie_search_prefix(engine_->lexicon, "काम", 2).front().word, "काम");
  EXPECT_THAT(trie_search_prefix(engine_->lexicon, "झ", 6), IsEmpty());
}

TEST_F(Suggest, NeverFailsOnArbitraryBytes) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> length(0, 64);
  for (int i = 0; i < 3000; ++i) {
    std::string text(length(random), '\0');
    for (char& c : text) c = static_cast<char>(byte(random));
    const SuggestResult result = suggest(*engine_, text, {.previous_word = text, .devanagari_digits = true});
    EXPECT_LE(result.candidates.size(), 5u);
  }
  // Every ASCII text of up to three characters.
  std::string text;
  for (int a = 0; a < 128; ++a) {
    text.assign(1, static_cast<char>(a));
    suggest(*engine_, text, {});
    for (int b = 0; b < 128; ++b) {
      text.assign({static_cast<char>(a), static_cast<char>(b)});
      suggest(*engine_, text, {});
      for (int c = 0; c < 128; ++c) {
        text.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        const SuggestResult result = suggest(*engine_, text, {});
        ASSERT_LE(result.candidates.size(), 5u);
      }
    }
  }
}

}  // namespace
}  // namespace tarovik
