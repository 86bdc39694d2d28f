#include "phonetic/json_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace tarovik {
namespace {

using ::testing::HasSubstr;

std::string parse_error(std::string_view text) {
  auto parsed = parse_json(text);
  return parsed ? "(parsed)" : parsed.error();
}

TEST(TablesJsonText, ValuesAndKeysKnowWhereTheyStart) {
  // Numbers are reported after the parser has read one byte past them; the starts of what
  // follows must not shift.
  const std::string text = R"({"a":1,"b" : [ 2 ,true,null,-3.5e1,"s"],"c":{}})";
  auto parsed = parse_json(text);
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const JsonValue& root = parsed.value().root();
  ASSERT_EQ(root.members.size(), 3u);
  EXPECT_EQ(root.key_offsets, (std::vector<std::size_t>{1, 7, text.find("\"c\"")}));
  EXPECT_EQ(root.members[0].second.offset, 5u);
  const JsonValue& list = root.members[1].second;
  EXPECT_EQ(list.offset, text.find('['));
  EXPECT_EQ(list.end_offset, text.find(']'));
  std::vector<std::size_t> starts;
  for (const JsonValue& item : list.items) starts.push_back(item.offset);
  EXPECT_EQ(starts, (std::vector<std::size_t>{text.find('2'), text.find("true"), text.find("null"), text.find("-3.5"),
                                              text.find("\"s\"")}));
  EXPECT_EQ(list.items[3].text, "-3.5e1");
  EXPECT_EQ(root.members[2].second.offset, text.size() - 3);
  EXPECT_EQ(root.end_offset, text.size() - 1);
}

TEST(TablesJsonText, PlacesMessagesByLineAndCharacter) {
  // CRLF line ends; columns count characters, so the Devanagari word counts as 6, not 18.
  const std::string text = "{\r\n  \"a\": \"नमस्ते\", \"b\": true\r\n}";
  auto parsed = parse_json(text);
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const JsonDocument& document = parsed.value();
  const JsonValue& b = document.root().members[1].second;
  EXPECT_EQ(read_string(document, b).error(), "invalid type: boolean `true`, expected a string at line 2 column 23");
  EXPECT_EQ(document.where(0), " at line 1 column 1");
  EXPECT_EQ(document.where(text.size() - 1), " at line 3 column 1");
  EXPECT_EQ(document.where(text.size() + 10), " at line 3 column 2");
}

TEST(TablesJsonText, ALeadingByteOrderMarkIsAStrayByte) {
  for (std::string_view text : {"\xEF\xBB\xBF{}", "\xEF{}", "x{}"}) {
    EXPECT_EQ(parse_error(text), "syntax error: invalid literal at line 1 column 1");
  }
}

TEST(TablesJsonText, OnlyWhitespaceMayFollowTheValue) {
  EXPECT_TRUE(parse_json("{} \t\r\n").ok());
  EXPECT_EQ(parse_error("{} x"), "trailing characters at line 1 column 4");
  EXPECT_EQ(parse_error("{}\n\n  {}"), "trailing characters at line 3 column 3");
  EXPECT_EQ(parse_error("[1]]"), "trailing characters at line 1 column 4");
  EXPECT_EQ(parse_error("12x"), "trailing characters at line 1 column 3");
  EXPECT_EQ(parse_error("\"s\" 1"), "trailing characters at line 1 column 5");
  EXPECT_EQ(parse_error(std::string("{}\0", 3)), "trailing characters at line 1 column 3");
}

TEST(TablesJsonText, RefusesWhatIsNotJsonInOurOwnWords) {
  EXPECT_EQ(parse_error(""), "syntax error: unexpected end of input; expected '[', '{', or a literal at line 1 column 1");
  EXPECT_EQ(parse_error("{\"a\":\n"), "syntax error: unexpected end of input; expected '[', '{', or a literal at line 2 column 1");
  EXPECT_EQ(parse_error("[1,]"), "syntax error: unexpected ']'; expected '[', '{', or a literal at line 1 column 4");
  EXPECT_EQ(parse_error("[\"\xff\"]"), "syntax error: invalid string: ill-formed UTF-8 byte at line 1 column 3");
  EXPECT_EQ(parse_error("not json"), "syntax error: invalid literal at line 1 column 2");
  for (std::string_view text : {"not json", "{'a': 1}", "// note\n{}", "{\"a\" 1}", "[\"\xff\"]", "[1e999]",
                                "{\"a\": \"line\nbreak\"}"}) {
    const std::string error = parse_error(text);
    EXPECT_THAT(error, HasSubstr(" at line ")) << text;
    EXPECT_THAT(error, ::testing::Not(HasSubstr("json.exception"))) << text;
  }
}

TEST(TablesJsonText, RefusesNestingBeyondTheLimitWithoutCrashing) {
  const std::string deepest_allowed = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_TRUE(parse_json(deepest_allowed).ok());
  EXPECT_EQ(parse_error(std::string(kMaxJsonDepth + 1, '[')), "nesting deeper than 512 levels at line 1 column 513");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"k\":";
  EXPECT_THAT(parse_error(objects), HasSubstr("nesting deeper than 512 levels"));
}

constexpr std::array<FieldSpec, 3> kFields{{{"text"}, {"penalty"}, {"kind", false}}};

Result<std::vector<const JsonValue*>> record(const JsonDocument& document, ArrayForm form = ArrayForm::exact) {
  return read_record(document, document.root(), "struct Sample", kFields, form);
}

TEST(TablesJsonRecord, MatchesObjectKeysAndArrayPlaces) {
  auto object = parse_json(R"({"kind": "k", "extra": {"deep": [1, {"x": null}]}, "t\u0065xt": "a", "penalty": 2})");
  ASSERT_TRUE(object.ok());
  auto by_key = record(object.value());
  ASSERT_TRUE(by_key.ok()) << by_key.error();
  EXPECT_EQ(by_key.value()[0]->text, "a");  // escapes resolved before matching
  EXPECT_EQ(by_key.value()[1]->unsigned_integer, 2u);
  EXPECT_EQ(by_key.value()[2]->text, "k");

  auto without_optional = parse_json(R"({"text": "a", "penalty": 2})");
  ASSERT_TRUE(record(without_optional.value()).ok());
  EXPECT_EQ(record(without_optional.value()).value()[2], nullptr);

  auto array = parse_json(R"(["a", 2, "k"])");
  auto by_place = record(array.value());
  ASSERT_TRUE(by_place.ok()) << by_place.error();
  EXPECT_EQ(by_place.value()[2]->text, "k");
  EXPECT_EQ(record(array.value(), ArrayForm::refused).error(),
            "invalid type: sequence, expected struct Sample at line 1 column 1");

  auto short_array = parse_json(R"(["a"])");
  ASSERT_TRUE(record(short_array.value(), ArrayForm::at_most).ok());
  EXPECT_EQ(record(short_array.value(), ArrayForm::at_most).value()[1], nullptr);
}

TEST(TablesJsonRecord, RefusesRepeatedMissingAndMisshapenFields) {
  const auto error_of = [](std::string_view text) { return record(parse_json(text).value()).error(); };
  EXPECT_EQ(error_of("{\"text\": \"a\",\n \"penalty\": 1, \"t\\u0065xt\": \"b\"}"), "duplicate field `text` at line 2 column 16");
  EXPECT_EQ(error_of("{\"text\": \"a\",\n \"Penalty\": 1\n}"), "missing field `penalty` at line 3 column 1");
  EXPECT_EQ(error_of(R"(["a", 1])"), "invalid length 2, expected struct Sample with 3 elements at line 1 column 8");
  EXPECT_EQ(error_of(R"(["a", 1, "k", null])"),
            "trailing characters: expected struct Sample with 3 elements at line 1 column 15");
  EXPECT_EQ(error_of(R"("text")"), "invalid type: string \"text\", expected struct Sample at line 1 column 1");
  EXPECT_EQ(error_of("null"), "invalid type: null, expected struct Sample at line 1 column 1");
}

TEST(TablesJsonNumbers, IntegersRefuseFractionsExponentsAndOverflow) {
  auto parsed = parse_json(
      R"([9223372036854775807, -9223372036854775808, 9223372036854775808, 99999999999999999999, 53120.0, 5e3, "5",)"
      R"( -99999999999999999999, 2147483648, 18446744073709551615])");
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const JsonDocument& document = parsed.value();
  const auto& n = document.root().items;
  EXPECT_EQ(read_i64(document, n[0]).value(), INT64_MAX);
  EXPECT_EQ(read_i64(document, n[1]).value(), INT64_MIN);
  EXPECT_EQ(read_i64(document, n[2]).error(), "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 45");
  EXPECT_THAT(read_i64(document, n[3]).error(), HasSubstr("invalid value: integer `99999999999999999999`, expected i64"));
  EXPECT_THAT(read_i64(document, n[4]).error(), HasSubstr("invalid type: floating point `53120.0`, expected i64"));
  EXPECT_THAT(read_i64(document, n[5]).error(), HasSubstr("invalid type: floating point `5e3`, expected i64"));
  EXPECT_THAT(read_i64(document, n[6]).error(), HasSubstr("invalid type: string \"5\", expected i64"));
  EXPECT_THAT(read_i64(document, n[7]).error(), HasSubstr("invalid value: integer `-99999999999999999999`"));

  EXPECT_THAT(read_i32(document, n[8]).error(), HasSubstr("invalid value: integer `2147483648`, expected i32"));
  EXPECT_THAT(read_i32(document, n[3]).error(), HasSubstr("expected i32"));
  EXPECT_EQ(read_u64(document, n[9]).value(), UINT64_MAX);
  EXPECT_THAT(read_u64(document, n[1]).error(), HasSubstr("invalid value: integer `-9223372036854775808`, expected u64"));

  // Any number is a float, integers included.
  EXPECT_EQ(read_f64(document, n[0]).value(), 9223372036854775807.0);
  EXPECT_EQ(read_f64(document, n[4]).value(), 53120.0);
  EXPECT_THAT(read_f64(document, n[6]).error(), HasSubstr("expected f64"));
}

}  // namespace
}  // namespace tarovik
