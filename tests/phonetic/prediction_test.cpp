#include "phonetic/prediction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_engine.h"

namespace tarovik {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Prediction : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    engine_ = new TransliterationEngine(testing::build_engine({
        .words = {{"सुन्दर", 100}},
        .bigrams = R"({"bigrams": {
            "सुन्दर": {"फूल": 35000, "सहर": 28000, "देश": 25000, "नेपाल": 22000, "रहेछ": 50340},
            "घर": {"जान": 40000}, "घरमा": {}, "किताब": {"पढ्न": 30000}, "पुस्तकहरू": {"पढ्न": 50000}, "ठूलो": {"क": 30000, "ख": 24000, "ग": 23999}}})",
    }));
  }
  static void TearDownTestSuite() { delete engine_; }
  static std::vector<Candidate> predict(std::string_view word) { return predict_next_words(*engine_, word); }

  static TransliterationEngine* engine_;
};
TransliterationEngine* Prediction::engine_ = nullptr;

TEST_F(Prediction, ExactRowAboveTheThresholdBestFirst) {
  EXPECT_THAT(predict("सुन्दर"),
              ElementsAre(Candidate{"रहेछ", 50340}, Candidate{"फूल", 35000}, Candidate{"सहर", 28000}));
  EXPECT_THAT(predict("ठूलो"), ElementsAre(Candidate{"क", 30000}, Candidate{"ख", 24000}));  // 24000 is enough
}

TEST_F(Prediction, InflectedWordBacksOffToItsStem) {
  EXPECT_THAT(predict("सुन्दरमा"), ElementsAre(Candidate{"रहेछ", 27687}));
  EXPECT_THAT(predict("सुन्दरहरूमा"), ElementsAre(Candidate{"रहेछ", 27687}));
  // The longer ending हरूमा comes first; its stem has no row, so the stem before मा is tried.
  EXPECT_THAT(predict("पुस्तकहरूमा"), ElementsAre(Candidate{"पढ्न", 27500}));
  // The first stem with a row ends the search, even when nothing in it reaches the threshold.
  EXPECT_THAT(predict("किताबहरूमा"), IsEmpty());
  // An ending that leaves one character is passed over.
  EXPECT_THAT(predict("कमा"), IsEmpty());
}

TEST_F(Prediction, AnEmptyRowStopsTheBackOff) { EXPECT_THAT(predict("घरमा"), IsEmpty()); }

TEST_F(Prediction, TrailingPunctuationIsIgnored) {
  const auto plain = predict("सुन्दर");
  EXPECT_EQ(predict("सुन्दर।"), plain);
  EXPECT_EQ(predict(" सुन्दर?! "), plain);
  EXPECT_THAT(predict("सुन्दर॥"), IsEmpty());  // the double danda is not punctuation here
  EXPECT_THAT(predict("?!।"), IsEmpty());
  EXPECT_THAT(predict(""), IsEmpty());
}

TEST(Learning, LearnsUnderTheTrimmedLowerCaseKey) {
  auto engine = testing::build_engine({.words = {{"क", 1}}});
  learn_promoted_word(engine, "  NaMaste ", "नमस्ते");
  learn_promoted_word(engine, "namaste", "नमस्ते");
  ASSERT_TRUE(engine.learned_aliases.contains("namaste"));
  EXPECT_THAT(engine.learned_aliases.at("namaste"), ElementsAre(Candidate{"नमस्ते", 96000}));

  learn_promoted_word(engine, "namaste", "नमस्कार");
  EXPECT_THAT(engine.learned_aliases.at("namaste"),
              ElementsAre(Candidate{"नमस्कार", 96000}, Candidate{"नमस्ते", 96000}));

  learn_promoted_word(engine, "   ", "क");
  learn_promoted_word(engine, "ka", "");
  EXPECT_EQ(engine.learned_aliases.size(), 1u);
}

}  // namespace
}  // namespace tarovik
