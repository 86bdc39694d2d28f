#include "win_studio/studio_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

TEST(StudioWindowSize, LogicalPixelsFollowTheMonitorScale) {
  auto same = [](PixelSize a, PixelSize b) { return a.width == b.width && a.height == b.height; };
  EXPECT_TRUE(same(logical_to_physical(1220, 820, 96), {1220, 820}));
  EXPECT_TRUE(same(logical_to_physical(620, 780, 144), {930, 1170}));
  EXPECT_TRUE(same(logical_to_physical(700, 500, 120), {875, 625}));
  EXPECT_TRUE(same(logical_to_physical(kStudioMinimumSize, kStudioMinimumSize, 192), {960, 960}));
  // 125 % of an odd size rounds to the nearest pixel.
  EXPECT_TRUE(same(logical_to_physical(481, 3, 120), {601, 4}));
  // An unknown DPI counts as 100 %; a zero size still gives a window.
  EXPECT_TRUE(same(logical_to_physical(700, 0, 0), {700, 1}));
  // The largest size argument times 300 % does not overflow.
  EXPECT_TRUE(same(logical_to_physical(4294967295.0, 4294967295.0, 288), {kStudioMaximumPixels, kStudioMaximumPixels}));
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
  for (const auto& arg : tricky) line.append(u" ").append(quote_windows_argument(arg));
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(reinterpret_cast<LPCWSTR>(line.c_str()), &count);
  ASSERT_EQ(count, 6);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(argv[i + 1])), tricky[i]);
  LocalFree(argv);
#endif
}

TEST(StudioLaunch, CommandLineOfTheWindowProcessOrTheBrowser) {
  const struct {
    std::uint16_t port;
    std::u16string_view path, title;
    std::uint16_t width, height;
    std::optional<std::u16string> executable;
    std::u16string_view address;
    std::optional<std::u16string> command_line;  // none: the browser
  } rows[] = {
      {5000, u"/", u"Tarovik — Writing Studio", 1220, 820, u"C:\\Program Files\\Tarovik\\tarovik.exe",
       u"http://127.0.0.1:5000/",
       u"\"C:\\Program Files\\Tarovik\\tarovik.exe\" --studio-window http://127.0.0.1:5000/ "
       u"\"Tarovik — Writing Studio\" 1220 820"},
      {65535, u"/preferences", u"Tarovik — Preferences", 620, 780, u"C:\\T\\tarovik.exe",
       u"http://127.0.0.1:65535/preferences",
       u"C:\\T\\tarovik.exe --studio-window http://127.0.0.1:65535/preferences \"Tarovik — Preferences\" 620 780"},
      {1, u"/", u"say \"hi\"\\", 0, 65535, u"C:\\T\\tarovik.exe", u"http://127.0.0.1:1/",
       u"C:\\T\\tarovik.exe --studio-window http://127.0.0.1:1/ \"say \\\"hi\\\"\\\\\" 0 65535"},
      {5000, u"/", u"Tarovik — Writing Studio", 1220, 820, std::nullopt, u"http://127.0.0.1:5000/", std::nullopt},
  };
  for (const auto& row : rows) {
    const StudioLaunch launch = plan_studio_launch(row.port, row.path, row.title, row.width, row.height, row.executable);
    EXPECT_EQ(launch.address, row.address);
    EXPECT_EQ(launch.command_line, row.command_line);
#ifdef _WIN32
    if (!launch.command_line) continue;
    // The window process gets its five arguments back unchanged.
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(reinterpret_cast<LPCWSTR>(launch.command_line->c_str()), &count);
    ASSERT_EQ(count, 6);
    std::vector<std::u16string> args;
    for (int i = 0; i < count; ++i) args.emplace_back(reinterpret_cast<char16_t*>(argv[i]));
    LocalFree(argv);
    EXPECT_EQ(args[0], *row.executable);
    const StudioWindowArgs parsed = parse_studio_window_args(args);
    EXPECT_EQ(parsed.address, row.address);
    EXPECT_EQ(parsed.title, row.title);
    EXPECT_EQ(parsed.width, row.width);
    EXPECT_EQ(parsed.height, row.height);
#endif
  }
}

}  // namespace
}  // namespace tarovik
