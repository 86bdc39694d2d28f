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
}

}  // namespace
}  // namespace tarovik
