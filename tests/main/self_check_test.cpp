#include "main/self_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "win_studio/studio_assets.h"

namespace tarovik {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;

std::string read_back(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char block[512];
  std::size_t n = 0;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
  return text;
}

TEST(SelfCheck, PrintsTheReportLineAfterARealRoundTrip) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(run_self_check({}, out, err), 0) << read_back(err);
  const std::string line = read_back(out);
  EXPECT_THAT(line, StartsWith("TAROVIK_WINDOWS_OK words="));
  EXPECT_THAT(line, EndsWith(" top1=काठमाडौँ bypassed=false\n"));
  EXPECT_NE(line.find(" studio_bytes="), std::string::npos);
  EXPECT_NE(line.find("assets=" + std::to_string(studio_assets().size()) + " "), std::string::npos);
  std::fclose(out);
  std::fclose(err);
}

TEST(SelfCheck, ProbeReportsAServerThatIsNotThereInTheSystemsWords) {
  // Port 1 on loopback has no listener here.
  auto probe = studio_page_probe(1, "/");
  ASSERT_FALSE(probe.ok());
#ifdef _WIN32
  // The text is the system's own, in its language: only its place is fixed.
  EXPECT_THAT(probe.error(), StartsWith("connect localhost:1: "));
  EXPECT_THAT(probe.error(), EndsWith(". (os error 10061)"));
#else
  EXPECT_EQ(probe.error(), "connect localhost:1: Connection refused (os error 111)");
#endif
}

}  // namespace
}  // namespace tarovik
