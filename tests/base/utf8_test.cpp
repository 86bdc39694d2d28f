#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tarovik {
namespace {

// The edges of well-formed UTF-8, which the table reader must draw where parse_json does.
TEST(Utf8, SequenceLengthAndDecodingAtTheEdgesOfWellFormed) {
  struct Row {
    std::string_view bytes;
    std::size_t length;  // of the sequence at the start; 0 when malformed
    char32_t decoded;    // what next() gives there, advancing by length, or by one byte for U+FFFD
  };
  const Row rows[] = {
      {"a", 1, U'a'},
      {"\xC1\xBF", 0, 0xFFFD},         // overlong
      {"\xC2\x80", 2, 0x80},
      {"\xC2\x41", 0, 0xFFFD},         // no continuation
      {"\xE0\x9F\xBF", 0, 0xFFFD},     // overlong
      {"\xE0\xA4\x95", 3, 0x915},      // क
      {"\xED\x9F\xBF", 3, 0xD7FF},
      {"\xED\xA0\x80", 0, 0xFFFD},     // a surrogate
      {"\xEF\xBF\xBD", 3, 0xFFFD},     // U+FFFD written out
      {"\xE0\xA4", 0, 0xFFFD},         // cut short
      {"\xF0\x8F\xBF\xBF", 0, 0xFFFD}, // overlong
      {"\xF0\x9F\x98\x80", 4, 0x1F600},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\xF4\x90\x80\x80", 0, 0xFFFD}, // past U+10FFFF
      {"\xF5\x80\x80\x80", 0, 0xFFFD},
      {"\x80", 0, 0xFFFD},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(utf8::sequence_length(row.bytes, 0), row.length) << row.bytes;
    std::size_t pos = 0;
    EXPECT_EQ(utf8::next(row.bytes, pos), row.decoded) << row.bytes;
    EXPECT_EQ(pos, row.length == 0 ? 1 : row.length) << row.bytes;
  }
  EXPECT_EQ(utf8::length("\xE0\xA4\x95\xFF\xE0\xA4"), 4u);  // क, then three malformed bytes
}

}  // namespace
}  // namespace tarovik
