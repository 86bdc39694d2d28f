#include "win_studio/studio_window.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace tarovik {
namespace {

TEST(StudioWindowArgs, DefaultsAndNumberRules) {
  const auto none = parse_studio_window_args({u"--studio-window"});
  EXPECT_EQ(none.address, u"http://127.0.0.1/");
  EXPECT_EQ(none.title, u"Tarovik");
  EXPECT_EQ(none.width, 1220);
  EXPECT_EQ(none.height, 820);
  const auto given = parse_studio_window_args(
      {u"x", u"--studio-window", u"http://127.0.0.1:5000/preferences", u"Tarovik — Preferences", u"+700", u"-5"});
  EXPECT_EQ(given.address, u"http://127.0.0.1:5000/preferences");
  EXPECT_EQ(given.title, u"Tarovik — Preferences");
  EXPECT_EQ(given.width, 700);
  EXPECT_EQ(given.height, 820);
  EXPECT_EQ(parse_studio_window_args({u"--studio-window", u"a", u"b", u"wide", u"4294967296"}).height, 820);
  EXPECT_EQ(studio_address(5000, u"/"), u"http://127.0.0.1:5000/");
}

TEST(StudioWindowArgs, QuotingGivesEachArgumentBack) {
  EXPECT_EQ(quote_windows_argument(u"plain"), u"plain");
  EXPECT_EQ(quote_windows_argument(u"Tarovik — Writing Studio"), u"\"Tarovik — Writing Studio\"");
  EXPECT_EQ(quote_windows_argument(u""), u"\"\"");
  EXPECT_EQ(quote_windows_argument(u"a\"b"), u"\"a\\\"b\"");
  EXPECT_EQ(quote_windows_argument(u"C:\\dir with space\\"), u"\"C:\\dir with space\\\\\"");
#ifdef _WIN32
  // The system's own splitter reads them back unchanged.
  const std::u16string tricky[] = {u"Tarovik — Writing Studio", u"a\"b c", u"C:\\x y\\", u"", u"\\\\\""};
  std::u16string line = u"tarovik.exe";
  for (const auto& arg : tricky) line += u" " + quote_windows_argument(arg);
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(reinterpret_cast<LPCWSTR>(line.c_str()), &count);
  ASSERT_EQ(count, 6);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(argv[i + 1])), tricky[i]);
  LocalFree(argv);
#endif
}

}  // namespace
}  // namespace tarovik
