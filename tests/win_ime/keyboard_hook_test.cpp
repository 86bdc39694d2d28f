#include "win_ime/keyboard_hook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_engine.h"
#include "win_ime/input_road.h"

namespace tarovik {
namespace {

constexpr WindowId kEditor = 0x100;

// Drives the hook's decisions the way Windows would call it: a key-down of a key that types ch.
class Hook : public ::testing::Test {
 protected:
  Hook()
      : shared_{{}, ImeState(testing::build_engine({
                                 .words = {{"नमस्ते", 30000}, {"राम", 30000}, {"रमा", 20000}, {"घर", 30000}},
                                 .aliases = R"({"aliases": {"ram": ["राम", "रमा", "राम्रो"]}})",
                                 .bigrams = R"({"bigrams": {"राम": {"दाइ": 40000, "हजुर": 30000}}})",
                             }),
                             ImeConfig{})} {}

  HookDecision down(std::uint32_t key, std::optional<char32_t> ch, Modifiers m = {}, WindowId window = kEditor) {
    HookInputs in{{KeyMessage::key_down, key, 0, 0}, m, window, [ch] { return ch; }};
    return decide_key(&shared_, toggle_key_, in);
  }
  HookDecision up(std::uint32_t key) {
    return decide_key(&shared_, toggle_key_, {{KeyMessage::key_up, key, 0, 0}, {}, kEditor, nullptr});
  }
  void type(std::string_view text) {
    for (char c : text) {
      const auto upper = static_cast<std::uint32_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
      const HookDecision d = down(c == '.' ? vk::oem_period : upper, static_cast<unsigned char>(c));
      ASSERT_FALSE(d.swallow) << c;  // roman letters are mirrored to the application
    }
  }
  ImeState& state() { return shared_.state; }

  SharedState shared_;
  std::uint16_t toggle_key_ = 0;
};

const Modifiers kCtrl{.ctrl = true};
const Modifiers kShift{.shift = true};

TEST_F(Hook, InjectedKeysAreNeverHandled) {
  type("ra");
  HookInputs in{{KeyMessage::key_down, vk::space, 0, INJECTED_MARKER}, {}, kEditor, nullptr};
  const HookDecision d = decide_key(&shared_, toggle_key_, in);
  EXPECT_FALSE(d.swallow);
  EXPECT_FALSE(d.action.has_value());
  EXPECT_EQ(state().roman, "ra");
}

TEST_F(Hook, LettersAreComposedAndPassedWithAPopupRefresh) {
  const HookDecision d = down('R', U'r');
  EXPECT_FALSE(d.swallow);
  EXPECT_EQ(d.post, (HostPost{WM_APP_POPUP_REFRESH, 1}));
  EXPECT_EQ(state().roman, "r");
}

TEST_F(Hook, SpaceCommitsAndQueuesTheAction) {
  type("ram");
  const HookDecision d = down(vk::space, U' ');
  EXPECT_TRUE(d.swallow);
  ASSERT_TRUE(d.action.has_value());
  EXPECT_EQ(d.action->text, "राम ");
  EXPECT_EQ(d.action->erase_count, 3u);
  EXPECT_EQ(d.post, (HostPost{WM_APP_POPUP_REFRESH, 1}));  // predictions follow
  EXPECT_FALSE(up(vk::space).swallow);                      // the key-up reaches the application
}

TEST_F(Hook, ToggleSwallowsRepeatsAndTheKeyUpOnce) {
  HookDecision d = down(vk::space, U' ', kCtrl);  // Ctrl+Space is on by default
  EXPECT_TRUE(d.swallow);
  EXPECT_EQ(d.post, (HostPost{WM_APP_ENABLED_CHANGED, 0}));
  EXPECT_FALSE(state().enabled);
  d = down(vk::space, U' ', kCtrl);  // auto-repeat
  EXPECT_TRUE(d.swallow);
  EXPECT_FALSE(d.post.has_value());
  EXPECT_FALSE(state().enabled);
  EXPECT_TRUE(up(vk::space).swallow);
  EXPECT_FALSE(up(vk::space).swallow);
  EXPECT_TRUE(down(vk::space, U' ', kCtrl).swallow);
  EXPECT_TRUE(state().enabled);
}

TEST_F(Hook, ToggleShortcutsFollowTheSetting) {
  for (ToggleShortcut shortcut : {ToggleShortcut::ctrl_alt_space, ToggleShortcut::pause_key, ToggleShortcut::alt_grave}) {
    state().config.toggle_shortcut = shortcut;
    toggle_key_ = 0;
    const bool before = state().enabled;
    EXPECT_TRUE(down(vk::key_y, U'y', {.ctrl = true, .shift = true}).swallow);  // always a toggle
    EXPECT_NE(state().enabled, before);
    toggle_key_ = 0;
    EXPECT_FALSE(down(vk::space, U' ', {.ctrl = true, .alt = true, .win = true}).post.has_value()) << "Win never toggles";
  }
  state().config.toggle_shortcut = ToggleShortcut::pause_key;
  const bool before = state().enabled;
  EXPECT_FALSE(down(vk::pause, std::nullopt, kShift).swallow);
  EXPECT_EQ(state().enabled, before);
  toggle_key_ = 0;
  EXPECT_TRUE(down(vk::pause, std::nullopt).swallow);
  EXPECT_NE(state().enabled, before);
}

TEST_F(Hook, ApplicationShortcutsEndTheComposition) {
  type("ra");
  const HookDecision copy = down('C', U'c', kCtrl);
  EXPECT_FALSE(copy.swallow);
  EXPECT_EQ(copy.post, (HostPost{WM_APP_POPUP_REFRESH, 0}));
  EXPECT_TRUE(state().roman.empty());
  type("ra");
  EXPECT_FALSE(down('E', U'€', {.ctrl = true, .alt = true}).swallow);  // AltGr
  EXPECT_TRUE(state().roman.empty());
}

TEST_F(Hook, NumberKeysPickRowsOnlyWhenAllowed) {
  type("ram");
  ASSERT_EQ(state().candidates.size(), 5u);
  EXPECT_FALSE(down('6', U'6').swallow);  // beyond n = 5: composed
  EXPECT_EQ(state().roman, "ram6");
  down(vk::back, std::nullopt);
  const HookDecision pick = down('2', U'2');
  EXPECT_TRUE(pick.swallow);
  ASSERT_TRUE(pick.action.has_value());
  EXPECT_EQ(pick.action->word, "रमा");

  state().config.number_key_commits = false;
  type("ram");
  EXPECT_FALSE(down('2', U'2').swallow);
  EXPECT_EQ(state().roman, "ram2");
  state().cancel_composition();
  state().config.number_key_commits = true;

  type("12");
  EXPECT_FALSE(down('2', U'2').swallow);  // no letter: a digit like any other
  EXPECT_EQ(state().roman, "122");
}

TEST_F(Hook, PredictionsAreTakenWithTabAndDigits) {
  type("ram");
  down(vk::space, U' ');
  ASSERT_TRUE(state().predictions_shown);
  EXPECT_FALSE(down('4', U'4').action.has_value());  // only 1 to 3 pick a prediction
  state().cancel_composition();
  type("ram");
  down(vk::space, U' ');
  const HookDecision tab = down(vk::tab, std::nullopt);
  EXPECT_TRUE(tab.swallow);
  ASSERT_TRUE(tab.action.has_value());
  EXPECT_EQ(tab.action->text, "दाइ ");
}

TEST_F(Hook, EscapeDropsPredictionsAndUndo) {
  type("ram");
  down(vk::space, U' ');
  const HookDecision esc = down(vk::escape, std::nullopt);
  EXPECT_TRUE(esc.swallow);
  EXPECT_EQ(esc.post, (HostPost{WM_APP_POPUP_REFRESH, 0}));
  EXPECT_FALSE(state().predictions_shown);
  EXPECT_FALSE(state().last_commit.has_value());
  EXPECT_FALSE(down(vk::back, std::nullopt).swallow);
}

TEST_F(Hook, BackspaceUndoesASpaceCommit) {
  type("ram");
  down(vk::space, U' ');
  const HookDecision undo = down(vk::back, std::nullopt);
  EXPECT_TRUE(undo.swallow);
  ASSERT_TRUE(undo.action.has_value());
  EXPECT_EQ(undo.action->text, "ram");
  EXPECT_EQ(undo.action->erase_count, 4u);
  const HookDecision edit = down(vk::back, std::nullopt);
  EXPECT_FALSE(edit.swallow);
  EXPECT_EQ(state().roman, "ra");
}

TEST_F(Hook, FullStopStaysInAddressesAndNumbersElseEndsTheWord) {
  for (std::string_view roman : {"www", "WwW.google", "https", "name@mail", "3"}) {
    type(roman);
    const HookDecision d = down(vk::oem_period, U'.');
    const bool joins = roman != "https";  // ':' cannot be composed, so "https" is a word
    EXPECT_EQ(d.swallow, !joins) << roman;
    if (joins) {
      EXPECT_EQ(d.post, (HostPost{WM_APP_POPUP_REFRESH, 0}));
    }
    EXPECT_EQ(state().roman, joins ? std::string(roman) + "." : "") << roman;
    state().cancel_composition();
  }
  type("www.google.com");
  EXPECT_EQ(down(vk::space, U' ').action->text, "www.google.com ");
  for (std::string_view roman : {"ram", "@ram"}) {
    type(roman);
    const HookDecision danda = down(vk::oem_period, U'.');
    EXPECT_TRUE(danda.swallow);
    EXPECT_TRUE(danda.action->text.ends_with("।")) << roman;
  }
}

TEST_F(Hook, AWordLongerThanTheBufferIsLeftAsTyped) {
  type("www.kathmandupost.com/nation");  // 28 bytes
  EXPECT_FALSE(down('A', U'a').swallow);
  EXPECT_TRUE(state().overlong_word);
  EXPECT_TRUE(state().roman.empty());
  type("l.np");
  EXPECT_FALSE(down(vk::back, std::nullopt).swallow);
  EXPECT_TRUE(state().roman.empty());
  EXPECT_FALSE(down(vk::space, U' ').swallow);  // the word ends as typed
  EXPECT_FALSE(state().overlong_word);
  type("ram");
  EXPECT_EQ(down(vk::space, U' ').action->erase_count, 3u);
}

TEST_F(Hook, MovingTheCaretForgetsTheWordItsContextAndTheUndo) {
  type("ram");
  EXPECT_EQ(down(0x25, std::nullopt).post, (HostPost{WM_APP_POPUP_REFRESH, 0}));  // Left
  EXPECT_TRUE(state().roman.empty());
  type("ram");
  down(vk::space, U' ');
  EXPECT_FALSE(down(0x24, std::nullopt).swallow);  // Home
  EXPECT_FALSE(state().predictions_shown);
  EXPECT_FALSE(state().previous_word.has_value());
  EXPECT_FALSE(down(vk::back, std::nullopt).swallow);  // no undo at the new place
  type("ra");
  EXPECT_FALSE(down(0x70, std::nullopt).post.has_value());  // F1 moves nothing
  EXPECT_EQ(state().roman, "ra");
}

TEST_F(Hook, RowsTheUserCannotSeeTakeNoKeys) {
  state().config.show_candidate_popup = false;
  for (auto [key, ch] : {std::pair<std::uint32_t, std::optional<char32_t>>{vk::tab, U'\t'}, {vk::down, std::nullopt}}) {
    type("ram");
    EXPECT_FALSE(down(key, ch).swallow) << key;
    EXPECT_TRUE(state().roman.empty()) << key;  // as without the input method: the word stays roman
  }
  type("ram");
  EXPECT_TRUE(down(vk::escape, U'\x1b').swallow);  // Esc keeps the word in English all the same
  EXPECT_TRUE(state().roman.empty());
  type("ram");
  EXPECT_EQ(down(vk::space, U' ').action->text, "राम ");
  ASSERT_TRUE(state().predictions_shown);  // kept for when the popup is turned on again
  EXPECT_FALSE(down(vk::tab, U'\t').swallow);
  EXPECT_FALSE(down(vk::escape, U'\x1b').swallow);
  EXPECT_FALSE(down('1', U'1').swallow);
  EXPECT_EQ(state().roman, "1");

  state().config.show_candidate_popup = true;
  state().config.number_key_commits = false;
  state().cancel_composition();
  type("ram");
  down(vk::space, U' ');
  EXPECT_FALSE(down('1', U'1').swallow);
  EXPECT_EQ(state().roman, "1");
}

TEST_F(Hook, HeldBackInputIsSwallowedUndecidedAndReplayedAsTyped) {
  auto held = [&](KeyMessage message, std::uint32_t key, std::uint64_t extra = 0) {
    HookInputs in{{message, key, 0x22, extra, true}, {}, kEditor, [] { return std::optional<char32_t>(U'g'); }, true};
    return decide_key(&shared_, toggle_key_, in);
  };
  HookDecision d = held(KeyMessage::key_down, 'G');
  EXPECT_TRUE(d.swallow);
  EXPECT_EQ(d.replay, InjectedInput(InjectedKey{'G', 0x22, false, false, true}));
  EXPECT_FALSE(d.post.has_value());
  EXPECT_EQ(state().roman, "");  // decided only when its replay comes back
  EXPECT_EQ(held(KeyMessage::key_up, 'G').replay, InjectedInput(InjectedKey{'G', 0x22, false, true, true}));
  EXPECT_EQ(held(KeyMessage::sys_key_down, vk::packet).replay, InjectedInput(InjectedKey{0, 0x22, true, false, true}));
  d = held(KeyMessage::key_down, vk::space);
  EXPECT_FALSE(d.action.has_value());
  EXPECT_TRUE(d.replay.has_value());
  d = held(KeyMessage::key_down, 'G', INJECTED_MARKER);
  EXPECT_FALSE(d.swallow);
  EXPECT_FALSE(d.replay.has_value());
  std::optional<MouseButton> pressed;
  const HookDecision click = decide_button(&shared_, pressed, {{MouseButton::right, true, 10, 20}, {}, true});
  EXPECT_TRUE(click.swallow);
  EXPECT_EQ(click.replay, InjectedInput(ButtonEvent{MouseButton::right, true, 10, 20}));
  const HookDecision wheel = decide_button(&shared_, pressed, {{MouseButton::wheel, false, 10, 20, 0, -120}, {}, true});
  EXPECT_EQ(wheel.replay, InjectedInput(ButtonEvent{MouseButton::wheel, false, 10, 20, 0, -120}));
}

TEST_F(Hook, AClickOnARowCommitsWhatTheRowShowsThereAndKeepsItsRelease) {
  std::optional<MouseButton> pressed;
  auto click = [&](std::size_t row, std::string text, WindowId window = kEditor) {
    return decide_button(&shared_, pressed, {{MouseButton::left, false, 5, 5}, {true, PopupRowHit{row, std::move(text)}}, false, window});
  };
  auto released = [&] { return decide_button(&shared_, pressed, {{MouseButton::left, true, 5, 5}, {}, false}).swallow; };
  type("ram");
  EXPECT_FALSE(click(1, "राम").action.has_value());  // the row shows another word by now
  EXPECT_TRUE(released());  // the window under it never saw the press
  EXPECT_FALSE(released());
  HookDecision d = click(0, "राम");
  EXPECT_EQ(d.action->text, "राम ");
  EXPECT_EQ(d.action->erase_count, 3u);
  EXPECT_EQ(d.post, (HostPost{WM_APP_POPUP_REFRESH, 1}));  // its predictions follow
  d = click(1, "हजुर");
  EXPECT_EQ(d.action->text, "हजुर ");  // a shown prediction is accepted
  EXPECT_EQ(d.action->erase_count, 0u);
  type("12");
  EXPECT_EQ(click(0, "१२").action->text, "१२ ");  // no letter: still committed
  type("ram");
  d = click(0, "राम", 0x200);  // the rows are another window's word
  EXPECT_TRUE(d.swallow);
  EXPECT_FALSE(d.action.has_value());
  EXPECT_TRUE(state().roman.empty());
}

TEST(InputOrder, HoldsTheUsersInputBehindEverythingDecidedBeforeIt) {
  InputOrder order;
  using A = InputOrder::Admission;
  auto same = [](const A& a, const A& b) {
    return a.own == b.own && a.hold == b.hold && a.sequence == b.sequence && a.settled == b.settled;
  };
  EXPECT_TRUE(same(order.admit(0, std::nullopt, 0), A{false, false, 1, false}));
  EXPECT_TRUE(same(order.admit(0, 1, 0), A{false, true, 2, false}));  // something is queued
  order.injecting(3, 10);
  order.refused(1);
  EXPECT_TRUE(same(order.admit(0, std::nullopt, 11), A{false, true, 3, false}));  // two events on their way
  // Replays wait only for what comes before them in the user's order.
  EXPECT_TRUE(same(order.admit(replay_extra_info(2), 3, 12), A{false, false, 2, false}));
  EXPECT_TRUE(same(order.admit(replay_extra_info(4), 3, 13), A{false, true, 4, true}));
  EXPECT_TRUE(same(order.admit(INJECTED_MARKER, std::nullopt, 14), A{true, false, 0, false}));
  EXPECT_TRUE(order.settled(14));
  EXPECT_TRUE(comes_before(0xFFFFFFFFu, 1));  // across the counter's wrap
  // Events lost on the way free the input 500 ms after the last progress, however much is sent on top.
  order.injecting(2, 100);
  EXPECT_FALSE(order.settled(400));
  order.injecting(2, 401);
  EXPECT_FALSE(order.settled(600));
  EXPECT_TRUE(order.settled(601));
  EXPECT_FALSE(order.admit(0, std::nullopt, 602).hold);
}

TEST_F(Hook, SpaceWithoutLettersIsTypedNormally) {
  type("123");
  const HookDecision d = down(vk::space, U' ');
  EXPECT_FALSE(d.swallow);
  EXPECT_FALSE(d.action.has_value());
  EXPECT_TRUE(state().roman.empty());
}

TEST_F(Hook, OtherCharactersKeepOrEndTheContext) {
  type("ram");
  down(vk::space, U' ');
  EXPECT_FALSE(down(0xBC, U',').swallow);
  EXPECT_EQ(state().previous_word, "राम");
  type("gh");
  EXPECT_FALSE(down(0xBC, U',').swallow);
  EXPECT_TRUE(state().roman.empty());
  EXPECT_FALSE(state().previous_word.has_value());
}

TEST_F(Hook, AnotherWindowStartsAfresh) {
  type("ram");
  down(vk::space, U' ');
  down('G', U'g', {}, 0x200);
  EXPECT_EQ(state().roman, "g");
  EXPECT_FALSE(state().previous_word.has_value());
}

TEST(HookBeforeTheState, PassesEverything) {
  std::uint16_t toggle_key = 0;
  HookInputs in{{KeyMessage::key_down, vk::space, 0, 0}, {.ctrl = true}, kEditor, nullptr};
  EXPECT_FALSE(decide_key(nullptr, toggle_key, in).swallow);
  in.modifiers = {};
  EXPECT_FALSE(decide_key(nullptr, toggle_key, in).swallow);
}

TEST(ComposingCharacters, LettersDigitsAndTenMarks) {
  for (char32_t c : {U'a', U'Z', U'0', U'#', U'*', U'-', U'/', U'@', U'\\', U'^', U'_', U'`', U'~'}) {
    EXPECT_TRUE(is_composing_char(c));
  }
  for (char32_t c : {U' ', U'.', U',', U'!', U'क', U'é', U'+'}) EXPECT_FALSE(is_composing_char(c));
}

}  // namespace
}  // namespace tarovik
