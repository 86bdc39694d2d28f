#include "win_studio/http_request.h"

#include <gtest/gtest.h>

namespace tarovik {
namespace {

RequestReader read_all(std::string_view text) {
  RequestReader reader;
  reader.append(text);
  return reader;
}

TEST(HttpRequest, RequestLineAndDefaults) {
  const auto get = read_all("GET /api/config?x=1 HTTP/1.1\r\nHost: a\r\n\r\n");
  EXPECT_EQ(get.method(), "GET");
  EXPECT_EQ(get.path(), "/api/config?x=1");
  const auto bare = read_all("GET\r\n\r\n");
  EXPECT_EQ(bare.path(), "/");
  const auto empty = read_all("\r\n\r\n");
  EXPECT_EQ(empty.method(), "GET");
  EXPECT_EQ(empty.path(), "/");
  EXPECT_EQ(read_all("get  /x\r\n\r\n").method(), "get");
  // अ ends in the byte 0x85 and ठ in 0xA0; the characters U+0085 and U+00A0 are white space.
  EXPECT_EQ(read_all("GET /अ HTTP/1.1\r\n\r\n").path(), "/अ");
  EXPECT_EQ(read_all("GET /ठ?q=अठ HTTP/1.1\r\n\r\n").path(), "/ठ?q=अठ");
  EXPECT_EQ(read_all("POST\u00A0/x\r\n\r\n").method(), "POST");
  EXPECT_EQ(read_all("GET\u0085/y\u3000HTTP/1.1\r\n\r\n").path(), "/y");
}

TEST(HttpRequest, HeadEndFoundAcrossReceives) {
  RequestReader reader;
  EXPECT_FALSE(reader.append(std::string_view("POST /api/config HTTP/1.1\r\nContent-Length: 4\r\n\r")));
  EXPECT_FALSE(reader.has_head());
  EXPECT_FALSE(reader.append(std::string_view("\nab")));
  EXPECT_TRUE(reader.has_head());
  EXPECT_TRUE(reader.append(std::string_view("cdEXTRA")));
  EXPECT_EQ(reader.body(), "abcd");
}

TEST(HttpRequest, ContentLengthRules) {
  EXPECT_EQ(content_length_of("X\r\ncOnTeNt-LeNgTh:  12 "), 12u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: +7"), 7u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: -7"), 0u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: 7a"), 0u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: 99999999"), 65536u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: 99999999999999999999999"), 0u);
  EXPECT_EQ(content_length_of("X\r\nContent-Length: 3\r\nContent-Length: 5"), 5u);
  EXPECT_EQ(content_length_of("X\r\nContent-Lengths: 5"), 0u);
  EXPECT_EQ(content_length_of("X"), 0u);
}

TEST(HttpRequest, ShortBodyIsWhatArrived) {
  const auto reader = read_all("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
  EXPECT_EQ(reader.body(), "abc");
  EXPECT_TRUE(reader.wants_more());
}

TEST(HttpResponseHead, ExactlyTheFiveLinesAndForPagesTheFramingRules) {
  EXPECT_EQ(format_response_head("200 OK", "text/plain", 5),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\nCache-Control: no-store\r\n"
            "Connection: close\r\n\r\n");
  EXPECT_EQ(format_response_head("200 OK", "text/html; charset=utf-8", 12),
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 12\r\n"
            "Content-Security-Policy: frame-ancestors 'self'\r\nX-Frame-Options: SAMEORIGIN\r\n"
            "Cache-Control: no-store\r\nConnection: close\r\n\r\n");
}

}  // namespace
}  // namespace tarovik
