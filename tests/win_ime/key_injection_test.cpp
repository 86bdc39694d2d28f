#include "win_ime/key_injection.h"

#include <gtest/gtest.h>

namespace tarovik {
namespace {

TEST(KeyInjection, BackspacesThenEachUtf16UnitAsAPair) {
  const auto keys = build_injected_keys(2, "क😀");
  ASSERT_EQ(keys.size(), 2u * (2 + 3));
  EXPECT_EQ(keys[0], (InjectedKey{0x08, 0, false, false}));
  EXPECT_EQ(keys[1], (InjectedKey{0x08, 0, false, true}));
  EXPECT_EQ(keys[4], (InjectedKey{0, 0x0915, true, false}));
  EXPECT_EQ(keys[5], (InjectedKey{0, 0x0915, true, true}));
  EXPECT_EQ(keys[6].scan, 0xD83D);  // the high surrogate comes first
  EXPECT_EQ(keys[8].scan, 0xDE00);
  EXPECT_TRUE(build_injected_keys(0, "").empty());
  // A carriage return is the Enter key, as the keyboard sends it.
  const auto entered = build_injected_keys(0, "क\r");
  ASSERT_EQ(entered.size(), 4u);
  EXPECT_EQ(entered[2], (InjectedKey{0x0D, 0x1C, false, false}));
  EXPECT_EQ(entered[3], (InjectedKey{0x0D, 0x1C, false, true}));
}

TEST(KeyInjection, ASixCharacterWordFromSevenLettersIsTwentyEightRecords) {
  // "namaste" and Space: seven backspace pairs, then नमस्ते and the space as seven unit pairs.
  const auto keys = build_injected_keys(7, "नमस्ते ");
  ASSERT_EQ(keys.size(), 28u);
  EXPECT_EQ(keys[13], (InjectedKey{0x08, 0, false, true}));
  EXPECT_EQ(keys[14], (InjectedKey{0, 0x0928, true, false}));
  EXPECT_EQ(keys[27], (InjectedKey{0, 0x0020, true, true}));
  // An undo only erases before it retypes; a prediction only types.
  EXPECT_EQ(build_injected_keys(3, "").size(), 6u);
  EXPECT_EQ(build_injected_keys(0, "म ").size(), 4u);
}

}  // namespace
}  // namespace tarovik
