#include "win_ime/composition_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "test_engine.h"
#include "base/utf8.h"

namespace tarovik {
namespace {

using ::testing::IsEmpty;

TransliterationEngine small_engine() {
  return testing::build_engine({
      .words = {{"नमस्ते", 30000}, {"राम", 30000}, {"रमा", 20000}, {"घर", 30000}, {"जानु", 20000}},
      .aliases = R"({"aliases": {"namaste": ["नमस्ते", "नमस्कार", "नमस्तेजी", "नमः"],
                                 "ko": ["को", "कोही", "कोठा", "कोसी", "कोदो", "कोपिला", "कोरा", "कोइली", "कोमल"]}})",
      .bigrams = R"({"bigrams": {"नमस्ते": {"दाइ": 40000, "हजुर": 30000}, "दाइ": {"जानु": 30000}}})",
  });
}

class Composition : public ::testing::Test {
 protected:
  Composition() : state_(small_engine(), ImeConfig{}) {}

  void type(std::string_view roman) {
    for (char c : roman) ASSERT_TRUE(state_.composition_push_char(static_cast<unsigned char>(c)));
  }

  ImeState state_;
};

TEST_F(Composition, RomanBufferStopsAtTwentyEightBytes) {
  type(std::string(28, 'k'));
  EXPECT_FALSE(state_.composition_push_char(U'k'));
  EXPECT_EQ(state_.roman.size(), 28u);
}

TEST(CompositionSettings, CandidateLimitAndNumeralsFollowTheSettings) {
  for (auto [setting, shown] : {std::pair<std::uint64_t, std::size_t>{0, 3}, {1, 3}, {2, 3}, {5, 5}, {8, 7},
                                {18446744073709551615u, 7}}) {
    ImeConfig config;
    config.max_candidates = setting;
    ImeState state(small_engine(), config);
    state.config.max_candidates = setting;  // the state clamps again where it uses the value
    state.composition_push_char(U'k');
    state.composition_push_char(U'o');
    EXPECT_EQ(state.candidates.size(), shown) << setting;
  }
  // Smart gives Nepali digits but keeps a phone number as typed.
  for (auto [mode, roman, text] :
       {std::tuple{NumeralsMode::ascii, "123", "123"}, {NumeralsMode::smart, "123", "१२३"},
        {NumeralsMode::devanagari, "123", "१२३"}, {NumeralsMode::smart, "9841234567", "9841234567"},
        {NumeralsMode::devanagari, "9841234567", "९८४१२३४५६७"}}) {
    ImeConfig config;
    config.numerals_mode = mode;
    ImeState state(small_engine(), config);
    for (char c : std::string_view(roman)) state.composition_push_char(static_cast<unsigned char>(c));
    ASSERT_EQ(state.candidates.size(), 1u);
    EXPECT_EQ(state.candidates[0].text, text) << roman;
  }
}

TEST_F(Composition, SpaceCommitsTheSelectedCandidateAndShowsPredictions) {
  type("namaste");
  state_.selected = 2;
  const std::string chosen = state_.candidates[2].text;
  const auto action = state_.commit_selection(" ");
  ASSERT_TRUE(action.has_value());
  EXPECT_EQ(action->text, chosen + " ");
  EXPECT_EQ(action->word, chosen);
  EXPECT_EQ(action->top1, "नमस्ते");
  EXPECT_EQ(action->roman, "namaste");
  EXPECT_EQ(action->erase_count, 7u);
  EXPECT_TRUE(action->promoted);
  EXPECT_FALSE(action->prev_word.has_value());
  EXPECT_EQ(state_.previous_word, chosen);
  EXPECT_TRUE(state_.roman.empty());
  ASSERT_TRUE(state_.last_commit.has_value());
  EXPECT_EQ(state_.last_commit->roman, "namaste");

  type("namaste");
  EXPECT_EQ(state_.candidates.front().text, chosen);  // the pick was learned as it was made
  state_.cancel_composition();
  state_.engine.learned_aliases.clear();
  type("namaste");
  const auto first = state_.commit_selection(" ");
  ASSERT_TRUE(first.has_value());
  EXPECT_FALSE(first->promoted);
  EXPECT_EQ(first->prev_word, chosen);
  EXPECT_TRUE(state_.predictions_shown);
  EXPECT_EQ(state_.candidates.front().text, "दाइ");
}

TEST_F(Composition, PromotionIsNotMarkedWhenLearningIsOff) {
  state_.config.learn_promoted_words = false;
  type("namaste");
  EXPECT_FALSE(state_.commit_candidate(1, " ")->promoted);
}

TEST_F(Composition, TextWithoutLettersIsNotCommitted) {
  type("123");
  EXPECT_FALSE(state_.commit_selection(" ").has_value());
  EXPECT_TRUE(state_.roman.empty());
  EXPECT_THAT(state_.candidates, IsEmpty());
}

TEST_F(Composition, FullStopBecomesDandaExceptInAddressesAndNumbers) {
  for (std::string_view typed : {"www", "WwW", "3.14", "2.0.1"}) {
    type(typed);
    EXPECT_FALSE(state_.commit_selection(kDanda).has_value()) << typed;
    EXPECT_TRUE(state_.roman.empty());
  }
  type("ram");
  const auto word = state_.commit_selection(kDanda);
  ASSERT_TRUE(word.has_value());
  EXPECT_EQ(word->text, word->word + "।");
  EXPECT_FALSE(state_.last_commit.has_value());
  EXPECT_FALSE(state_.predictions_shown);

  const auto alone = state_.commit_selection(kDanda);
  ASSERT_TRUE(alone.has_value());
  EXPECT_EQ(*alone, (CommitAction{.text = "।"}));
  EXPECT_EQ(state_.previous_word, word->word);

  state_.composition_backspace();  // forgets the previous word
  EXPECT_FALSE(state_.commit_selection(kDanda).has_value());
}

TEST_F(Composition, EnterLeavesNoUndoAndNoPredictions) {
  type("namaste");
  const auto action = state_.commit_selection("\r");
  ASSERT_TRUE(action.has_value());
  EXPECT_EQ(action->text, "नमस्ते\r");
  EXPECT_FALSE(state_.last_commit.has_value());
  EXPECT_FALSE(state_.predictions_shown);
  EXPECT_FALSE(state_.undo_last_commit().has_value());
}

TEST_F(Composition, BackspaceAfterASpaceCommitUndoesIt) {
  type("ram");
  const auto commit = state_.commit_selection(" ");
  ASSERT_TRUE(commit.has_value());
  const auto undo = state_.undo_last_commit();
  ASSERT_TRUE(undo.has_value());
  EXPECT_EQ(undo->text, "ram");
  EXPECT_EQ(undo->roman, "ram");
  EXPECT_EQ(undo->erase_count, utf8::length(commit->word) + 1);
  EXPECT_EQ(state_.roman, "ram");
  EXPECT_FALSE(state_.candidates.empty());
  EXPECT_FALSE(state_.undo_last_commit().has_value());
  EXPECT_EQ(state_.composition_backspace(), BackspaceResult::still_composing);
  EXPECT_EQ(state_.roman, "ra");
}

TEST_F(Composition, PredictionsAreAcceptedOnlyWhileShown) {
  type("namaste");
  EXPECT_FALSE(state_.accept_prediction(0).has_value());  // composing
  state_.commit_selection(" ");
  ASSERT_TRUE(state_.predictions_shown);
  EXPECT_FALSE(state_.accept_prediction(5).has_value());
  const auto action = state_.accept_prediction(0);
  ASSERT_TRUE(action.has_value());
  EXPECT_EQ(*action, (CommitAction{.text = "दाइ ", .word = "दाइ"}));
  EXPECT_EQ(state_.previous_word, "दाइ");
  EXPECT_FALSE(state_.last_commit.has_value());
  // दाइ has a row of its own, so predictions go on.
  EXPECT_TRUE(state_.predictions_shown);
  EXPECT_EQ(state_.candidates.front().text, "जानु");
  state_.cancel_composition();
  EXPECT_FALSE(state_.accept_prediction(0).has_value());
}

TEST_F(Composition, BackspaceOnNothingForgetsTheContext) {
  type("ra");
  EXPECT_EQ(state_.composition_backspace(), BackspaceResult::still_composing);
  EXPECT_EQ(state_.composition_backspace(), BackspaceResult::emptied);
  state_.previous_word = "घर";
  EXPECT_EQ(state_.composition_backspace(), BackspaceResult::nothing_composed);
  EXPECT_FALSE(state_.previous_word.has_value());
}

TEST_F(Composition, ToggleResetsEverything) {
  type("namaste");
  state_.commit_selection(" ");
  type("ra");
  EXPECT_FALSE(state_.toggle_enabled());
  EXPECT_TRUE(state_.toggle_enabled());
  EXPECT_TRUE(state_.roman.empty());
  EXPECT_THAT(state_.candidates, IsEmpty());
  EXPECT_FALSE(state_.previous_word.has_value());
  EXPECT_FALSE(state_.last_commit.has_value());
  EXPECT_FALSE(state_.predictions_shown);
}

// Random keys and clicks on the shipped engine never break the state's invariants.
TEST(CompositionInvariants, HoldUnderRandomUse) {
  auto engine = engine_load();
  ASSERT_TRUE(engine.ok()) << engine.error();
  ImeState state(std::move(engine).value(), ImeConfig{});
  std::mt19937 random(8122026);
  const std::string letters = "abcdeghijklmnoprstuvwyAKNST0123456789.";
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  for (int step = 0; step < 10000; ++step) {
    switch (pick(10)) {
      case 0: case 1: case 2: case 3:
        state.composition_push_char(static_cast<unsigned char>(letters[pick(letters.size())]));
        break;
      case 4: state.composition_backspace(); break;
      case 5: state.commit_selection(pick(3) == 0 ? std::string_view(kDanda) : std::string_view(" ")); break;
      case 6: state.commit_candidate(pick(8), pick(2) ? " " : "\r"); break;
      case 7: state.accept_prediction(pick(4)); break;
      case 8: state.undo_last_commit(); break;
      default:
        if (pick(20) == 0) {
          state.toggle_enabled();
        } else if (!state.candidates.empty()) {
          state.selected = (state.selected + 1) % state.candidates.size();  // the hook's Down key
        } else {
          state.cancel_composition();
        }
    }
    ASSERT_LE(state.roman.size(), kMaxRomanBytes) << step;
    ASSERT_FALSE(!state.roman.empty() && state.predictions_shown) << step;
    ASSERT_TRUE(state.candidates.empty() || state.selected < state.candidates.size()) << step;
    ASSERT_LE(state.candidates.size(), kMaxCandidates) << step;
  }
}

}  // namespace
}  // namespace tarovik
