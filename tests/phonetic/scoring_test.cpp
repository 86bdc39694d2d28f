#include "phonetic/scoring.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::Pair;
using ::testing::UnorderedElementsAre;

class Scoring : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    engine_ = new TransliterationEngine(testing::build_engine({
        .words = {{"महत्त्व", 30000}, {"फूल", 20000}, {"सुन्दर", 10000}, {"बजार", 25000}, {"दर", 12000}},
        .bigrams = R"({"bigrams": {"सुन्दर": {"फूल": 12345}, "को": {"दर": 5000}, "म": {"दर": 4000},
                                   "बजार।": {"फूल": 7000}}})",
        .classes = R"({"classes": {"PLACE": ["बजार", "सुन्दर"], "RATE_PREFIX": ["बजार"]},
                      "class_bigram_rules": [["PLACE", "दर", 8500], ["RATE_PREFIX", "दर", 9500],
                                             ["PLACE", "फूल", -500]]})",
    }));
  }
  static void TearDownTestSuite() { delete engine_; }

  std::int64_t boost(std::optional<std::string> previous, std::string_view word) {
    return bigram_boost(*engine_, previous, word);
  }

  static TransliterationEngine* engine_;
  SuggestOptions options_;
  CandidatePool pool_;
  ScoringContext context_{*engine_, options_, pool_};
};
TransliterationEngine* Scoring::engine_ = nullptr;

TEST_F(Scoring, VariantSpellingsMergeUnderTheStandardForm) {
  add_phonetic_candidate(context_, "महत्व", 1000, SourceKind::phonetic, 0);
  add_phonetic_candidate(context_, "महत्त्व", 500, SourceKind::phonetic, 0);
  // frequency 30000 and the known-word bonus 38000 on the higher base
  EXPECT_THAT(pool_, UnorderedElementsAre(Pair("महत्त्व", 1000 + 38000 + 30000)));
}

TEST_F(Scoring, AWordOfferedTwiceKeepsItsBestScore) {
  add_phonetic_candidate(context_, "अज्ञात", 500, SourceKind::phonetic, 0);
  add_phonetic_candidate(context_, "अज्ञात", 200, SourceKind::phonetic, 0);
  add_phonetic_candidate(context_, "अज्ञात", 900, SourceKind::phonetic, 0);
  EXPECT_EQ(pool_.at("अज्ञात"), 900);
}

TEST_F(Scoring, BigramBoostBacksOffToTheStemOfThePreviousWord) {
  EXPECT_EQ(boost("सुन्दर", "फूल"), 12345);
  EXPECT_EQ(boost("  सुन्दर ", "फूल"), 12345);
  EXPECT_EQ(boost("सुन्दरहरूलाई", "फूल"), 6790);  // 12345 × 0.55 = 6789.75
  EXPECT_EQ(boost("सुन्दरमा", "फूल"), 6790);
  EXPECT_EQ(boost(std::nullopt, "फूल"), 0);
  EXPECT_EQ(boost("   ", "फूल"), 0);
  // A danda is not stripped: only the exact form has a row.
  EXPECT_EQ(boost("सुन्दर।", "फूल"), 0);
  EXPECT_EQ(boost("बजार।", "फूल"), 7000);
}

TEST_F(Scoring, ClassRulesApplyToThePreviousWordOrItsStem) {
  EXPECT_EQ(boost("बजार", "दर"), 9500);  // the larger of PLACE and RATE_PREFIX
  EXPECT_EQ(boost("बजारमा", "दर"), 9500);
  EXPECT_EQ(boost("सुन्दर", "दर"), 8500);
  EXPECT_EQ(boost("गाउँ", "दर"), 0);
  EXPECT_EQ(boost("बजार", "फूल"), 0);  // a class boost below 1 is none
  // "को" leaves a stem of no characters: the suffix step is not used, the exact row is.
  EXPECT_EQ(boost("को", "दर"), 5000);
  EXPECT_EQ(boost("मको", "दर"), 0);  // nor is the stem म of one character
}

TEST(ConvertDigits, SmartNumeralsKeepDatesAndPhoneNumbers) {
  const TextMap digits = {{"0", "०"}, {"1", "१"}, {"2", "२"}, {"3", "३"}, {"4", "४"},
                          {"5", "५"}, {"6", "६"}, {"7", "७"}, {"8", "८"}, {"9", "९"}};
  auto smart = [&](std::string_view text) { return convert_digits(text, true, true, digits); };
  EXPECT_EQ(smart("2082-08-12"), "2082-08-12");
  EXPECT_EQ(smart("2082/08/12"), "2082/08/12");
  EXPECT_EQ(smart("+977-9841"), "+977-9841");
  EXPECT_EQ(smart("+9779841000000"), "+9779841000000");
  EXPECT_EQ(smart("9841234567"), "9841234567");
  EXPECT_EQ(smart("9712345678"), "9712345678");
  EXPECT_EQ(smart("0123456789"), "0123456789");
  EXPECT_EQ(smart("98412345678"), "९८४१२३४५६७८");
  EXPECT_EQ(smart("012345678"), "०१२३४५६७८");
  EXPECT_EQ(smart("123"), "१२३");
  EXPECT_EQ(smart("12-a4"), "१२-a४");
  EXPECT_EQ(smart("--"), "--");
  EXPECT_EQ(convert_digits("2082-08-12", true, false, digits), "२०८२-०८-१२");
  EXPECT_EQ(convert_digits("9841234567", false, true, digits), "9841234567");
  EXPECT_EQ(convert_digits("क1", true, false, digits), "क१");
}

TEST(RoundScore, NearestWithHalvesAwayFromZeroSaturating) {
  EXPECT_EQ(round_score(2.5), 3);
  EXPECT_EQ(round_score(-2.5), -3);
  EXPECT_EQ(round_score(27686.999), 27687);
  EXPECT_EQ(round_score(std::nan("")), 0);
  EXPECT_EQ(round_score(1e300), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(round_score(-1e300), std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace tarovik
