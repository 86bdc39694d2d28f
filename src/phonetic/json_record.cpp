#include "phonetic/json_record.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>
#include <iterator>
#include <limits>
#include <new>

namespace tarovik {

namespace {

using Kind = JsonValue::Kind;

bool is_whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// At most max_bytes of text, cut on a character boundary, so that a long string does not
// end up whole in a message.
std::string clipped(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  std::size_t cut = max_bytes;
  while (cut > 0 && is_continuation_byte(text[cut])) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

// nlohmann's "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error
// while parsing value - unexpected end of input; ..." without its framing and its position,
// which counts bytes; ours is added by the caller.
std::string reader_message(std::string_view what) {
  if (what.starts_with("[json.exception.")) {
    if (const auto close = what.find("] "); close != std::string_view::npos) what.remove_prefix(close + 2);
  }
  if (what.starts_with("parse error")) {
    if (const auto colon = what.find(": "); colon != std::string_view::npos) what.remove_prefix(colon + 2);
  }
  constexpr std::string_view kSyntax = "syntax error while parsing ";
  if (!what.starts_with(kSyntax)) return clipped(what, 200);
  if (const auto dash = what.find(" - "); dash != std::string_view::npos) what.remove_prefix(dash + 3);
  // "; last read: '...'" echoes raw bytes, invalid UTF-8 among them; the position says more.
  std::string message(what);
  constexpr std::string_view kLastRead = "; last read: '";
  if (const auto from = message.find(kLastRead); from != std::string::npos) {
    const auto expected = message.rfind("'; expected ");
    if (expected != std::string::npos && expected >= from + kLastRead.size()) {
      message.erase(from, expected + 1 - from);
    } else if (message.ends_with('\'')) {
      message.erase(from);
    }
  }
  return "syntax error: " + clipped(message, 200);
}

// Hands the text to nlohmann's parser and counts the bytes it has taken, so the handler
// knows how far the parser is (its events carry no position).
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, const char** reach) : at_(at), reach_(reach) {}

  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    *reach_ = ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

 private:
  const char* at_;
  const char** reach_;
};

// Builds the tree from nlohmann's SAX events.
//
// Where a value starts: a bracket is the byte just taken. A scalar or a key starts at the
// first byte after the previous event that is not whitespace, ',' or ':', the only tokens
// that raise no event. The parser has taken one byte past a number when it reports it, but
// that byte can only be whitespace, ',' or a closing bracket, which this rule steps over.
class TreeBuilder {
 public:
  explicit TreeBuilder(std::string_view text) : text_(text), begin_(text.data()), reach_(text.data()) {}

  CountingIterator begin() { return {begin_, &reach_}; }
  CountingIterator end() { return {begin_ + text_.size(), &reach_}; }

  bool null() { return scalar(JsonValue{}); }
  bool boolean(bool flag) {
    JsonValue value{.kind = Kind::boolean};
    value.boolean = flag;
    return scalar(std::move(value));
  }
  bool number_integer(std::int64_t number) {
    JsonValue value{.kind = Kind::integer};
    value.integer = number;
    return scalar(std::move(value));
  }
  bool number_unsigned(std::uint64_t number) {
    JsonValue value{.kind = Kind::unsigned_integer};
    value.unsigned_integer = number;
    return scalar(std::move(value));
  }
  bool number_float(double number, const std::string& written) {
    JsonValue value{.kind = Kind::real};
    value.real = number;
    value.text = written;
    return scalar(std::move(value));
  }
  bool string(std::string& text) {
    JsonValue value{.kind = Kind::string};
    value.text = std::move(text);
    return scalar(std::move(value));
  }
  bool binary(nlohmann::json::binary_t&) { return false; }  // JSON text has none

  bool start_object(std::size_t) { return open(Kind::object); }
  bool start_array(std::size_t) { return open(Kind::array); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  bool key(std::string& name) {
    JsonValue& object = *open_.back();
    object.key_offsets.push_back(token_start());
    object.members.emplace_back(std::move(name), JsonValue{});
    return true;
  }

  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) {
    if (root_done_) {
      check_rest();
    } else {
      // position counts the bytes taken, the faulty one included.
      fail(position == 0 ? 0 : position - 1, reader_message(error.what()));
    }
    return false;
  }

  // The parser takes a NUL byte for the end of the text, so it may accept what follows one.
  void check_rest() {
    std::size_t offset = root_end_;
    while (offset < text_.size() && is_whitespace(text_[offset])) ++offset;
    if (offset < text_.size()) fail(offset, "trailing characters");
  }

  void fail(std::size_t offset, std::string message) {
    if (!failure_) failure_ = Failure{offset, std::move(message)};
  }

  struct Failure {
    std::size_t offset;
    std::string message;
  };
  const std::optional<Failure>& failure() const { return failure_; }
  JsonValue take_root() { return std::move(root_); }

 private:
  std::size_t taken() const { return static_cast<std::size_t>(reach_ - begin_); }

  std::size_t token_start() {
    std::size_t offset = previous_end_;
    while (offset < text_.size() && (is_whitespace(text_[offset]) || text_[offset] == ',' || text_[offset] == ':')) {
      ++offset;
    }
    previous_end_ = taken();
    return offset;
  }

  std::size_t number_end(std::size_t offset) const {
    constexpr std::string_view kNumberBytes = "0123456789+-.eE";
    while (offset < text_.size() && kNumberBytes.find(text_[offset]) != std::string_view::npos) ++offset;
    return offset;
  }

  bool scalar(JsonValue value) {
    value.offset = token_start();
    const std::size_t start = value.offset;
    const bool number = value.kind == Kind::integer || value.kind == Kind::unsigned_integer || value.kind == Kind::real;
    place(std::move(value));
    if (open_.empty()) {
      root_done_ = true;
      root_end_ = number ? number_end(start) : taken();
    }
    return true;
  }

  bool open(Kind kind) {
    const std::size_t offset = taken() - 1;
    previous_end_ = taken();
    if (open_.size() >= kMaxJsonDepth) {
      fail(offset, "nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels");
      return false;
    }
    open_.push_back(place(JsonValue{.kind = kind, .offset = offset}));
    return true;
  }

  bool close() {
    open_.back()->end_offset = taken() - 1;
    previous_end_ = taken();
    open_.pop_back();
    if (open_.empty()) {
      root_done_ = true;
      root_end_ = taken();
    }
    return true;
  }

  // Only the innermost open container grows, so the pointers to the outer ones stay valid.
  JsonValue* place(JsonValue value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    JsonValue& parent = *open_.back();
    if (parent.kind == Kind::array) {
      parent.items.push_back(std::move(value));
      return &parent.items.back();
    }
    parent.members.back().second = std::move(value);
    return &parent.members.back().second;
  }

  std::string_view text_;
  const char* begin_;
  const char* reach_;
  std::size_t previous_end_ = 0;
  std::vector<JsonValue*> open_;
  JsonValue root_;
  bool root_done_ = false;
  std::size_t root_end_ = 0;
  std::optional<Failure> failure_;
};

Error fail(const JsonDocument& document, const JsonValue& value, std::string_view expected) {
  return Error{document.error_at(value, "invalid type: " + describe(value) + ", expected " + std::string(expected))};
}

// A number the parser could not hold as a 64-bit integer arrives as a real; its text tells
// an integer written too long from one written with a fraction or exponent.
bool is_integer_text(const std::string& written) { return written.find_first_of(".eE") == std::string::npos; }

Error out_of_range(const JsonDocument& document, const JsonValue& value, std::string_view expected) {
  const std::string found = value.kind == Kind::real ? "integer `" + value.text + "`" : describe(value);
  return Error{document.error_at(value, "invalid value: " + found + ", expected " + std::string(expected))};
}

}  // namespace

std::string describe(const JsonValue& value) {
  switch (value.kind) {
    case Kind::null:
      return "null";
    case Kind::boolean:
      return std::string("boolean `") + (value.boolean ? "true" : "false") + "`";
    case Kind::integer:
      return "integer `" + std::to_string(value.integer) + "`";
    case Kind::unsigned_integer:
      return "integer `" + std::to_string(value.unsigned_integer) + "`";
    case Kind::real:
      return "floating point `" + value.text + "`";
    case Kind::string:
      return "string \"" + clipped(value.text, 60) + "\"";
    case Kind::array:
      return "sequence";
    case Kind::object:
      return "map";
  }
  return "value";
}

std::string JsonDocument::where(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const auto line = static_cast<std::size_t>(std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) -
                                             line_starts_.begin());
  std::size_t column = 1;
  for (std::size_t i = line_starts_[line - 1]; i < offset; ++i) {
    if (!is_continuation_byte(text_[i])) ++column;
  }
  return " at line " + std::to_string(line) + " column " + std::to_string(column);
}

std::string JsonDocument::error_at(const JsonValue& value, std::string_view message) const {
  return error_at(value.offset, message);
}

std::string JsonDocument::error_at(std::size_t offset, std::string_view message) const {
  return std::string(message) + where(offset);
}

Result<JsonDocument> parse_json(std::string_view text) {
  try {
    JsonDocument document;
    document.text_.assign(text);
    document.line_starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') document.line_starts_.push_back(i + 1);
    }
    // The parser would skip a leading byte-order mark; JSON text has none, so it is a stray
    // byte like any other.
    if (text.starts_with('\xEF')) return Error{document.error_at(0, "syntax error: invalid literal")};
    TreeBuilder builder(document.text_);
    const bool parsed = nlohmann::json::sax_parse(builder.begin(), builder.end(), &builder,
                                                  nlohmann::json::input_format_t::json, /*strict=*/true,
                                                  /*ignore_comments=*/false);
    if (parsed) builder.check_rest();
    if (const auto& failure = builder.failure()) return Error{document.error_at(failure->offset, failure->message)};
    if (!parsed) return Error{document.error_at(text.size(), "invalid JSON")};
    document.root_ = builder.take_root();
    return document;
  } catch (const std::bad_alloc&) {
    return Error{"out of memory while reading JSON"};
  } catch (const std::exception& error) {
    return Error{reader_message(error.what())};
  }
}

Result<std::vector<const JsonValue*>> read_record(const JsonDocument& document, const JsonValue& value,
                                                  std::string_view struct_name, std::span<const FieldSpec> specs,
                                                  ArrayForm array_form) {
  std::vector<const JsonValue*> fields(specs.size(), nullptr);
  if (value.kind == Kind::array && array_form != ArrayForm::refused) {
    const std::size_t n = value.items.size();
    const std::string expected = std::string(struct_name) + " with " + std::to_string(specs.size()) + " elements";
    if (n > specs.size()) {
      return Error{document.error_at(value.items[specs.size()], "trailing characters: expected " + expected)};
    }
    if (array_form == ArrayForm::exact && n < specs.size()) {
      return Error{document.error_at(value.end_offset, "invalid length " + std::to_string(n) + ", expected " + expected)};
    }
    for (std::size_t i = 0; i < n; ++i) fields[i] = &value.items[i];
    return fields;
  }
  if (value.kind != Kind::object) return fail(document, value, struct_name);

  for (std::size_t m = 0; m < value.members.size(); ++m) {
    const auto& [key, member] = value.members[m];
    const auto spec = std::find_if(specs.begin(), specs.end(), [&](const FieldSpec& s) { return s.name == key; });
    if (spec == specs.end()) continue;  // not ours: skipped with its value
    const auto index = static_cast<std::size_t>(spec - specs.begin());
    if (fields[index] != nullptr) {
      return Error{document.error_at(value.key_offsets[m], "duplicate field `" + key + "`")};
    }
    fields[index] = &member;
  }
  for (std::size_t i = 0; i < specs.size(); ++i) {
    if (fields[i] == nullptr && specs[i].required) {
      return Error{document.error_at(value.end_offset, "missing field `" + std::string(specs[i].name) + "`")};
    }
  }
  return fields;
}

Result<std::string> read_string(const JsonDocument& document, const JsonValue& value) {
  if (value.kind != Kind::string) return fail(document, value, "a string");
  return value.text;
}

Result<bool> read_bool(const JsonDocument& document, const JsonValue& value) {
  if (value.kind != Kind::boolean) return fail(document, value, "a boolean");
  return value.boolean;
}

Result<double> read_f64(const JsonDocument& document, const JsonValue& value) {
  switch (value.kind) {
    case Kind::real:
      return value.real;
    case Kind::integer:
      return static_cast<double>(value.integer);
    case Kind::unsigned_integer:
      return static_cast<double>(value.unsigned_integer);
    default:
      return fail(document, value, "f64");
  }
}

Result<std::int64_t> read_i64(const JsonDocument& document, const JsonValue& value) {
  switch (value.kind) {
    case Kind::integer:
      return value.integer;
    case Kind::unsigned_integer:
      if (value.unsigned_integer > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return out_of_range(document, value, "i64");
      }
      return static_cast<std::int64_t>(value.unsigned_integer);
    case Kind::real:
      if (is_integer_text(value.text)) return out_of_range(document, value, "i64");
      return fail(document, value, "i64");
    default:
      return fail(document, value, "i64");
  }
}

Result<std::uint64_t> read_u64(const JsonDocument& document, const JsonValue& value) {
  switch (value.kind) {
    case Kind::unsigned_integer:
      return value.unsigned_integer;
    case Kind::integer:
      return out_of_range(document, value, "u64");  // the parser gives only negatives this kind
    case Kind::real:
      if (is_integer_text(value.text)) return out_of_range(document, value, "u64");
      return fail(document, value, "u64");
    default:
      return fail(document, value, "u64");
  }
}

Result<std::int32_t> read_i32(const JsonDocument& document, const JsonValue& value) {
  auto wide = read_i64(document, value);
  const bool integer = value.kind == Kind::integer || value.kind == Kind::unsigned_integer ||
                       (value.kind == Kind::real && is_integer_text(value.text));
  if (!wide) return integer ? out_of_range(document, value, "i32") : fail(document, value, "i32");
  if (wide.value() < std::numeric_limits<std::int32_t>::min() || wide.value() > std::numeric_limits<std::int32_t>::max()) {
    return out_of_range(document, value, "i32");
  }
  return static_cast<std::int32_t>(wide.value());
}

std::optional<Error> expect_kind(const JsonDocument& document, const JsonValue& value, JsonValue::Kind kind,
                                 std::string_view expected) {
  if (value.kind == kind) return std::nullopt;
  return fail(document, value, expected);
}

}  // namespace tarovik
