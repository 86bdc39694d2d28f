#include "phonetic/gzip.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tvtr_writer.h"

namespace tarovik {
namespace {

std::vector<std::uint8_t> sample_bytes() {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<std::uint8_t>((i * 7919) % 251));
  return bytes;
}

// Everything the stream hands out, or its error.
Result<std::vector<std::uint8_t>> gunzip(std::span<const std::uint8_t> gz,
                                         std::size_t max_bytes = std::numeric_limits<std::size_t>::max()) {
  GunzipStream stream(gz, max_bytes);
  std::vector<std::uint8_t> out;
  for (auto chunk = stream.next(); !chunk.empty(); chunk = stream.next()) out.insert(out.end(), chunk.begin(), chunk.end());
  if (!stream.error().empty()) return Error{stream.error()};
  return out;
}

TEST(Gunzip, InflatesAMemberAndIgnoresBytesAfterIt) {
  const auto original = sample_bytes();
  auto gz = gzip_bytes(original);
  auto inflated = gunzip(gz);
  ASSERT_TRUE(inflated.ok()) << inflated.error();
  EXPECT_EQ(inflated.value(), original);

  gz.push_back(0);
  gz.push_back(0);
  inflated = gunzip(gz);
  ASSERT_TRUE(inflated.ok()) << inflated.error();
  EXPECT_EQ(inflated.value(), original);
}

TEST(Gunzip, RefusesDamagedOrTruncatedStreams) {
  const auto gz = gzip_bytes(sample_bytes());
  auto crc = gz;
  crc[crc.size() - 8] ^= 1;
  auto length = gz;
  length[length.size() - 1] ^= 1;
  auto body = gz;
  body[body.size() / 2] ^= 0x55;
  std::vector<std::uint8_t> empty;
  for (const auto* damaged : {&crc, &length, &body, &empty}) {
    auto result = gunzip(*damaged);
    ASSERT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
  }
  for (std::size_t cut : {std::size_t{1}, std::size_t{10}, gz.size() / 2, gz.size() - 1}) {
    auto result = gunzip(std::span(gz).first(cut));
    EXPECT_FALSE(result.ok()) << "cut at " << cut;
  }
}

TEST(Gunzip, StopsAtTheCapInsteadOfInflatingWhatASmallFileStates) {
  const auto gz = gzip_bytes(sample_bytes());  // 200,000 bytes inflated
  EXPECT_TRUE(gunzip(gz, 200000).ok());
  const auto over = gunzip(gz, 199999);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error(), "inflates to more than 199999 bytes");
}

}  // namespace
}  // namespace tarovik
