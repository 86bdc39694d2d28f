#include "win_ime/corrections_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarovik {
namespace {

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CorrectionsLog, LinesAreCompactJsonWithSortedKeys) {
  EXPECT_EQ(correction_record_line("ram", "राम", "रम", std::nullopt),
            "{\"prev_word\":\"\",\"roman\":\"ram\",\"top1_shown\":\"राम\",\"user_selected\":\"रम\"}\n");
  EXPECT_EQ(correction_record_line("a\"b", "x", "y", std::string("म")),
            "{\"prev_word\":\"म\",\"roman\":\"a\\\"b\",\"top1_shown\":\"x\",\"user_selected\":\"y\"}\n");
}

TEST(CorrectionsLog, AppendsOnlyRealCorrectionsWhenOn) {
  const auto folder = std::filesystem::temp_directory_path() / "tarovik-log-test";
  std::filesystem::remove_all(folder);
  const auto path = corrections_log_path(folder.u16string(), "unused");
  EXPECT_EQ(path, folder / "Tarovik" / "dev_corrections.jsonl");

  append_correction_record(false, path, "ram", "राम", "रम", std::nullopt);
  append_correction_record(true, path, "ram", "राम", "राम", std::nullopt);  // the first candidate
  append_correction_record(true, path, "", "राम", "रम", std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(path));
  append_correction_record(true, path, "ram", "राम", "रम", std::nullopt);
  append_correction_record(true, path, "ghar", "घर", "घार", std::string("राम"));
  EXPECT_EQ(read_all(path),
            "{\"prev_word\":\"\",\"roman\":\"ram\",\"top1_shown\":\"राम\",\"user_selected\":\"रम\"}\n"
            "{\"prev_word\":\"राम\",\"roman\":\"ghar\",\"top1_shown\":\"घर\",\"user_selected\":\"घार\"}\n");
  std::filesystem::remove_all(folder);
}

TEST(CorrectionsLog, FallsBackToTheTemporaryFolder) {
  EXPECT_EQ(corrections_log_path(std::nullopt, "/tmp"), std::filesystem::path("/tmp") / "tarovik_dev_corrections.jsonl");
  EXPECT_EQ(corrections_log_path(std::u16string(u"C:\\x\xD800"), "/tmp"),
            std::filesystem::path("/tmp") / "tarovik_dev_corrections.jsonl");
}

#ifdef _WIN32
TEST(CorrectionsLog, AppendsWhileAReaderHoldsTheFileOpenForDeleting) {
  const auto folder = std::filesystem::temp_directory_path() / "tarovik-log-share-test";
  std::filesystem::remove_all(folder);
  const auto path = folder / "log.jsonl";
  append_correction_record(true, path, "ram", "राम", "रम", std::nullopt);
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  append_correction_record(true, path, "ghar", "घर", "घार", std::nullopt);
  CloseHandle(reader);
  EXPECT_EQ(read_all(path), correction_record_line("ram", "राम", "रम", std::nullopt) +
                                correction_record_line("ghar", "घर", "घार", std::nullopt));
  std::filesystem::remove_all(folder);
}
#endif

}  // namespace
}  // namespace tarovik
