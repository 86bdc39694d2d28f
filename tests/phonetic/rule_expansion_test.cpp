#include "phonetic/rule_expansion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::DoubleNear;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

// The shipped rules over a lexicon of a few words.
class RuleExpansion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    engine_ = new TransliterationEngine(testing::build_engine({.words = {{"नमस्ते", 30000}, {"श्री", 40000}}}));
  }
  static void TearDownTestSuite() { delete engine_; }

  static std::map<std::string, double> forms(std::string_view roman, std::size_t beam = 48) {
    std::map<std::string, double> out;
    for (const PhoneticForm& form : generate_phonetic_forms(*engine_, roman, beam)) out.emplace(form.word, form.penalty);
    return out;
  }
  static std::vector<PhoneticForm> ordered(std::string_view roman, std::size_t beam = 48) {
    return generate_phonetic_forms(*engine_, roman, beam);
  }

  static TransliterationEngine* engine_;
};
TransliterationEngine* RuleExpansion::engine_ = nullptr;

TEST_F(RuleExpansion, BareConsonantTakesTheInherentOrLongVowelOnly) {
  EXPECT_THAT(forms("ka"), UnorderedElementsAre(Pair("क", DoubleNear(0, 1e-9)), Pair("का", DoubleNear(0.55, 1e-9))));
}

TEST_F(RuleExpansion, ConjunctThroughHalantaLeadsNamaste) {
  const auto result = ordered("namaste");
  ASSERT_GE(result.size(), 2u);
  EXPECT_EQ(result[0].word, "नमस्ते");
  EXPECT_NEAR(result[0].penalty, 0.2, 1e-9);
  EXPECT_EQ(result[1].word, "नमसते");
  EXPECT_NEAR(result[1].penalty, 0.55, 1e-9);
}

TEST_F(RuleExpansion, FirstMatchSetsTheLengthAndShorterMatchesPayTheBias) {
  const auto result = ordered("shri");
  ASSERT_GE(result.size(), 2u);
  EXPECT_EQ(result[0].word, "श्रि");
  EXPECT_NEAR(result[0].penalty, 0.0, 1e-9);
  EXPECT_EQ(result[1].word, "श्री");
  EXPECT_NEAR(result[1].penalty, 0.65, 1e-9);
  // "shri" itself (longer than the first match "shr") is not used: its शृ would cost 0.45.
  // This शृ comes from "sh" with the bias and the vowel sign of "ri".
  EXPECT_NEAR(forms("shri").at("शृ"), 0.55 + 0.5, 1e-9);
}

TEST_F(RuleExpansion, CapitalKeysMatchOnlyTheirOwnCase) {
  const auto upper = forms("T");
  EXPECT_NEAR(upper.at("ट"), 0.0, 1e-9);
  EXPECT_NEAR(upper.at("त"), 0.0, 1e-9);
  const auto lower = forms("t");
  EXPECT_NEAR(lower.at("ट"), 1.5, 1e-9);
  EXPECT_NEAR(lower.at("त"), 0.0, 1e-9);
  EXPECT_NEAR(lower.at("त्"), 0.35, 1e-9);
  EXPECT_NEAR(lower.at("ट्"), 1.5 + 0.55, 1e-9);
}

TEST_F(RuleExpansion, DigitsAndUnknownCharactersAreAppendedAsTyped) {
  const auto digit = forms("a1");
  EXPECT_NEAR(digit.at("अ1"), 0.0, 1e-9);
  EXPECT_FALSE(digit.contains("अ1्"));
  const auto plus = forms("a+");
  EXPECT_NEAR(plus.at("अ+"), 0.5, 1e-9);
}

TEST_F(RuleExpansion, FinalHalantaVariants) {
  const auto imperative = forms("hos");
  EXPECT_NEAR(imperative.at("होस"), 0.0, 1e-9);
  EXPECT_NEAR(imperative.at("होस्"), -0.25, 1e-9);
  const auto retroflex = forms("kaT");
  EXPECT_NEAR(retroflex.at("कट्"), retroflex.at("कट") + 0.55, 1e-9);
}

TEST_F(RuleExpansion, InputsThatGiveNoForms) {
  EXPECT_THAT(ordered(""), IsEmpty());
  EXPECT_THAT(ordered("   "), IsEmpty());
  EXPECT_THAT(ordered("kā"), IsEmpty());
  EXPECT_THAT(ordered("\\ka"), IsEmpty());  // a halanta has nothing to attach to
  EXPECT_THAT(ordered("namaste", 0), IsEmpty());
  EXPECT_FALSE(ordered(" ka ").empty());
}

TEST_F(RuleExpansion, LongAaIsGuessedOnlyNearTheStart) {
  EXPECT_NEAR(forms("kt").at("कात"), 2.0, 1e-9);
  // At position 5 a bare consonant gets the conjunct and inherent-vowel readings only.
  for (const auto& [word, penalty] : forms("kkkkkt")) {
    EXPECT_FALSE(word.ends_with("ात") || word.ends_with("ात्")) << word;
  }
}

TEST_F(RuleExpansion, BeamBoundsEveryBucket) {
  for (std::size_t beam : {1u, 8u}) {
    const auto result = ordered("namaste", beam);
    // The last bucket passes on at most beam states; each may add one halanta variant.
    EXPECT_LE(result.size(), 2 * beam);
    EXPECT_FALSE(result.empty());
  }
}

TEST(PruneBeam, KeepsOneStatePerTextAndOpennessWithTheLowestPenalty) {
  LexiconTrie empty_lexicon;
  empty_lexicon.first_child = {1, 1};
  empty_lexicon.freq = {0};
  empty_lexicon.subtree_max_freq = {0};
  empty_lexicon.edge_offset = {0, 0};
  empty_lexicon.node_count = 1;
  PrefixCache cache;
  const auto beam = prune_beam(empty_lexicon,
                               {{"क", 1.0, true}, {"क", 0.5, true}, {"क", 0.5, true}, {"क", 0.2, false}, {"ख", 0.1, true}},
                               cache, 8);
  ASSERT_EQ(beam.size(), 3u);
  EXPECT_EQ(beam[0].text, "ख");
  EXPECT_EQ(beam[1].text, "क");
  EXPECT_FALSE(beam[1].ends_with_consonant);
  EXPECT_NEAR(beam[2].penalty, 0.5, 1e-9);
}

TEST_F(RuleExpansion, LexiconPrefixesRankTheBeam) {
  PrefixCache cache;
  const auto known = score_beam_state(engine_->lexicon, cache, {"नम", 1.0, true});
  const auto unknown = score_beam_state(engine_->lexicon, cache, {"नझ", 0.0, true});
  EXPECT_NEAR(known.score, 1.0 - (3.0 + std::min(2.2, 0.45 * std::log10(30001.0))), 1e-9);
  EXPECT_NEAR(unknown.score, 0.0, 1e-9);
  EXPECT_EQ(cache.size(), 2u);
  EXPECT_NEAR(score_beam_state(engine_->lexicon, cache, {"", 0.7, false}).score, 0.7, 1e-9);
}

TEST(RomanSkeleton, FoldsDigraphsDropsVowelsAndCollapsesRepeats) {
  EXPECT_EQ(roman_to_skeleton("Bishwas"), "bsbs");
  EXPECT_EQ(roman_to_skeleton("chhoro"), "cr");
  EXPECT_EQ(roman_to_skeleton("kkk"), "k");
  EXPECT_EQ(roman_to_skeleton("KTM"), "ktm");
  EXPECT_EQ(roman_to_skeleton("phxqzv"), "pckjb");
  EXPECT_EQ(roman_to_skeleton("aeiou"), "");
  EXPECT_EQ(collapse_repeats("ममता"), "मता");
  EXPECT_EQ(collapse_repeats("aabbaa"), "aba");
}

}  // namespace
}  // namespace tarovik
