#include "phonetic/rule_expansion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::IsEmpty;

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

// Forms worked by hand from the shipped rules, with the beam of 48.
struct Worked {
  std::string_view roman, word;
  double penalty;  // NaN: not among the forms
};
constexpr double kAbsent = std::numeric_limits<double>::quiet_NaN();
constexpr Worked kWorked[] = {
    {"ka", "क", 0},
    {"ka", "का", 0.55},
    {"ka", "कअ", kAbsent},     // one character: no compound boundary
    {"kama", "कमअ", 1.15},     // boundary vowel of the rule "a"
    {"kami", "कमी", 0.65},
    {"kami", "कमइ", 0.85},     // boundary vowel of another rule
    {"kamri", "कमरि", 1.1},    // "r" (bias 0.55, option B 0.55): रि of "ri" is no vowel, so no boundary
    {"namaste", "नमस्ते", 0.2},  // option A
    {"namaste", "नमसते", 0.55},  // option B
    {"kt", "कात", 2.0},        // option C
    {"kamlt", "कमलात", 2.55},  // C at position 4
    {"kamalt", "कमलात", kAbsent},  // not at 5
    {"shri", "श्रि", 0},        // the first match "shr" sets the length: "shri" is unused
    {"shri", "श्री", 0.65},
    {"shri", "शृ", 1.05},       // "sh" with the bias, then ृ of "ri"
    {"chhya", "छ्य", 2.0},     // "chh" (3) is shorter than "chhya" and unused
    {"chhak", "छक", 0},        // "chha" ends in "a": no bare consonant left
    {"rik", "रिक", 0},          // रि ends in a vowel sign
    {"T", "ट", 0},
    {"T", "त", 0},
    {"t", "ट", 1.5},
    {"th", "ठ", 0.9},          // "Th" and "Dh" match their own case only
    {"dh", "ढ", 0.9},
    {"d", "ड", 1.5},
    {"a1", "अ1", 0},
    {"a1", "अ1्", kAbsent},
    {"a+", "अ+", 0.5},
    {"hos", "होस्", -0.25},
    {"chhan", "छन्", -0.25},
    {"nus", "नुस्", kAbsent},   // "नुस" needs four characters
    {"t", "त्", 0.35},
    {"d", "द्", 0.35},
    {"kaT", "कट्", 0.55},
    {"k\\\\", "क््", kAbsent},  // a halanta after a halanta
};

TEST_F(RuleExpansion, WorkedPenalties) {
  for (const Worked& row : kWorked) {
    const auto result = ordered(row.roman);
    EXPECT_TRUE(std::is_sorted(result.begin(), result.end(),
                               [](const auto& a, const auto& b) { return a.penalty < b.penalty; }))
        << row.roman;
    const auto all = forms(row.roman);
    const auto found = all.find(std::string(row.word));
    if (std::isnan(row.penalty)) {
      EXPECT_EQ(found, all.end()) << row.roman << " " << row.word;
    } else {
      ASSERT_NE(found, all.end()) << row.roman << " " << row.word;
      EXPECT_NEAR(found->second, row.penalty, 1e-9) << row.roman << " " << row.word;
    }
  }
}

TEST_F(RuleExpansion, InputsThatGiveNoForms) {
  EXPECT_THAT(ordered(""), IsEmpty());
  EXPECT_THAT(ordered("   "), IsEmpty());
  EXPECT_THAT(ordered("kā"), IsEmpty());
  EXPECT_THAT(ordered("\\ka"), IsEmpty());  // a halanta has nothing to attach to
  EXPECT_THAT(ordered("namaste", 0), IsEmpty());
  EXPECT_FALSE(ordered(" ka ").empty());
}

TEST_F(RuleExpansion, BeamBoundsEveryBucket) {
  // nunu reaches 48 distinct states at its third position and more at its end, none open.
  for (std::size_t beam : {48u, 16u, 8u, 1u}) EXPECT_EQ(ordered("nunu", beam).size(), beam);
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
