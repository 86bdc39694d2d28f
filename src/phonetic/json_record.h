#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"

namespace tarovik {

// A parsed JSON value that keeps what the usual document models drop: every object member
// in order, duplicates included, and where in the text each value starts.
struct JsonValue {
  enum class Kind : std::uint8_t { null, boolean, integer, unsigned_integer, real, string, array, object };

  Kind kind = Kind::null;
  bool boolean = false;
  std::int64_t integer = 0;  // the parser gives negative integers this kind
  std::uint64_t unsigned_integer = 0;
  double real = 0.0;
  std::string text;  // a string's value, or a real number as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;
  std::vector<std::size_t> key_offsets;  // byte where each member's key starts, parallel to members
  std::size_t offset = 0;      // byte where the value starts
  std::size_t end_offset = 0;  // arrays and objects: byte of the closing bracket
};

// A parsed text. It keeps its own copy of the text to place messages in it.
class JsonDocument {
 public:
  const JsonValue& root() const { return root_; }
  // " at line L column C" for a byte offset of the text. Lines count LF; columns count
  // characters (UTF-8 code points); both from 1.
  std::string where(std::size_t offset) const;
  // The message followed by where() of the value's start, or of a byte offset.
  std::string error_at(const JsonValue& value, std::string_view message) const;
  std::string error_at(std::size_t offset, std::string_view message) const;

 private:
  friend Result<JsonDocument> parse_json(std::string_view text);
  JsonValue root_;
  std::string text_;
  std::vector<std::size_t> line_starts_;
};

// One JSON value followed by nothing but space, tab, LF and CR; a leading byte-order mark is
// refused like any stray byte. Nesting deeper than
// kMaxJsonDepth is refused, so nothing that walks the tree (its destructor included)
// recurses without bound. No exception escapes.
inline constexpr std::size_t kMaxJsonDepth = 512;
Result<JsonDocument> parse_json(std::string_view text);

// How a record written as an array is matched to its fields.
enum class ArrayForm : std::uint8_t {
  exact,    // exactly as many values as fields
  at_most,  // up to as many values as fields; the rest take their defaults
  refused,  // the record must be an object
};

struct FieldSpec {
  std::string_view name;
  bool required = true;
};

// The values of a record's fields, in the order of specs; null for a field that is absent.
// A record is an object (listed keys at most once, other keys skipped, required ones present)
// or, unless array_form refuses it, an array of the fields in order. Keys are compared
// exactly, after escapes are resolved.
Result<std::vector<const JsonValue*>> read_record(const JsonDocument& document, const JsonValue& value,
                                                  std::string_view struct_name, std::span<const FieldSpec> specs,
                                                  ArrayForm array_form);

// Typed reads; the errors name what was found and what was expected, with the position.
Result<std::string> read_string(const JsonDocument& document, const JsonValue& value);
Result<bool> read_bool(const JsonDocument& document, const JsonValue& value);
// Any JSON number.
Result<double> read_f64(const JsonDocument& document, const JsonValue& value);
// The integer reads refuse a number written with a fraction or an exponent ("invalid type:
// floating point `53120.0`, expected i64") and one outside their range ("invalid value").
Result<std::int64_t> read_i64(const JsonDocument& document, const JsonValue& value);
Result<std::uint64_t> read_u64(const JsonDocument& document, const JsonValue& value);
Result<std::int32_t> read_i32(const JsonDocument& document, const JsonValue& value);
// An error unless the value is of the kind, naming what was expected ("a map").
std::optional<Error> expect_kind(const JsonDocument& document, const JsonValue& value, JsonValue::Kind kind,
                                 std::string_view expected);

// "invalid type: string \"x\"" and the like, for messages.
std::string describe(const JsonValue& value);

}  // namespace tarovik
