#include "phonetic/json_record.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <limits>

namespace tarovik {

namespace {

// Reads the text for nlohmann's parser and counts what it has read, so the handler knows
// where each value ends (its events carry no position).
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator() = default;
  CountingIterator(const char* at, const char* begin, std::size_t* consumed) : at_(at), begin_(begin), consumed_(consumed) {}

  reference operator*() const {
    *consumed_ = static_cast<std::size_t>(at_ - begin_) + 1;
    return *at_;
  }
  CountingIterator& operator++() {
    ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++at_;
    return before;
  }
  friend bool operator==(const CountingIterator& a, const CountingIterator& b) { return a.at_ == b.at_; }
  friend bool operator!=(const CountingIterator& a, const CountingIterator& b) { return a.at_ != b.at_; }
  friend difference_type operator-(const CountingIterator& a, const CountingIterator& b) { return a.at_ - b.at_; }

 private:
  const char* at_ = nullptr;
  const char* begin_ = nullptr;
  std::size_t* consumed_ = nullptr;
};

// Builds the JsonValue tree from nlohmann's events.
class TreeBuilder : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit TreeBuilder(const std::size_t& consumed) : consumed_(consumed) {}

  bool null() override { return scalar(JsonValue{}); }
  bool boolean(bool value) override {
    JsonValue v;
    v.kind = JsonValue::Kind::boolean;
    v.boolean = value;
    return scalar(std::move(v));
  }
  bool number_integer(number_integer_t value) override {
    JsonValue v;
    v.kind = JsonValue::Kind::integer;
    v.integer = value;
    return scalar(std::move(v));
  }
  bool number_unsigned(number_unsigned_t value) override {
    JsonValue v;
    v.kind = JsonValue::Kind::unsigned_integer;
    v.unsigned_integer = value;
    return scalar(std::move(v));
  }
  bool number_float(number_float_t value, const string_t& written) override {
    JsonValue v;
    v.kind = JsonValue::Kind::real;
    v.real = value;
    v.text = written;
    return scalar(std::move(v));
  }
  bool string(string_t& value) override {
    JsonValue v;
    v.kind = JsonValue::Kind::string;
    v.text = std::move(value);
    return scalar(std::move(v));
  }
  bool binary(binary_t&) override { return false; }  // not produced by the text parser
  bool start_object(std::size_t) override { return open(JsonValue::Kind::object); }
  bool key(string_t& name) override {
    keys_.back() = std::move(name);
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(JsonValue::Kind::array); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
    error_position_ = position;
    error_ = error.what();
    return false;
  }

  JsonValue take_root() { return std::move(root_); }
  bool too_deep() const { return too_deep_; }
  std::size_t error_position() const { return error_position_; }
  const std::string& error() const { return error_; }

 private:
  bool open(JsonValue::Kind kind) {
    if (stack_.size() >= kMaxJsonDepth) {
      too_deep_ = true;
      return false;
    }
    JsonValue v;
    v.kind = kind;
    v.offset = consumed_;
    stack_.push_back(std::move(v));
    keys_.emplace_back();
    return true;
  }
  bool close() {
    JsonValue done = std::move(stack_.back());
    stack_.pop_back();
    keys_.pop_back();
    return place(std::move(done));
  }
  bool scalar(JsonValue value) {
    value.offset = consumed_;
    return place(std::move(value));
  }
  bool place(JsonValue value) {
    if (stack_.empty()) {
      root_ = std::move(value);
    } else if (stack_.back().kind == JsonValue::Kind::array) {
      stack_.back().items.push_back(std::move(value));
    } else {
      stack_.back().members.emplace_back(std::move(keys_.back()), std::move(value));
    }
    return true;
  }

  const std::size_t& consumed_;
  std::vector<JsonValue> stack_;
  std::vector<std::string> keys_;
  JsonValue root_;
  bool too_deep_ = false;
  std::size_t error_position_ = 0;
  std::string error_;
};

// nlohmann's message without its "[json.exception...] parse error at line L, column C: " head.
std::string reader_message(const std::string& what) {
  std::string message = what;
  if (const auto colon = message.find(": "); message.starts_with("[json.exception") && colon != std::string::npos) {
    message.erase(0, colon + 2);
  }
  if (message.find("expected end of input") != std::string::npos) return "trailing characters";
  return message;
}

Error fail(const JsonDocument& document, const JsonValue& value, std::string_view expected) {
  return Error{document.error_at(value, "invalid type: " + describe(value) + ", expected " + std::string(expected))};
}

}  // namespace

std::string describe(const JsonValue& value) {
  switch (value.kind) {
    case JsonValue::Kind::null:
      return "null";
    case JsonValue::Kind::boolean:
      return std::string("boolean `") + (value.boolean ? "true" : "false") + "`";
    case JsonValue::Kind::integer:
      return "integer `" + std::to_string(value.integer) + "`";
    case JsonValue::Kind::unsigned_integer:
      return "integer `" + std::to_string(value.unsigned_integer) + "`";
    case JsonValue::Kind::real:
      return "floating point `" + value.text + "`";
    case JsonValue::Kind::string:
      return "string \"" + value.text + "\"";
    case JsonValue::Kind::array:
      return "sequence";
    case JsonValue::Kind::object:
      return "map";
  }
  return "value";
}

std::string JsonDocument::where(std::size_t offset) const {
  const auto line = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) - line_starts_.begin();
  const std::size_t column = offset - line_starts_[static_cast<std::size_t>(line) - 1];
  return " at line " + std::to_string(line) + " column " + std::to_string(column);
}

std::string JsonDocument::error_at(const JsonValue& value, std::string_view message) const {
  return std::string(message) + where(value.offset);
}

Result<JsonDocument> parse_json(std::string_view text) {
  JsonDocument document;
  document.line_starts_.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') document.line_starts_.push_back(i + 1);
  }

  std::size_t consumed = 0;
  TreeBuilder builder(consumed);
  const char* begin = text.data();
  const bool ok = nlohmann::json::sax_parse(CountingIterator(begin, begin, &consumed),
                                            CountingIterator(begin + text.size(), begin, &consumed), &builder);
  if (!ok) {
    if (builder.too_deep()) {
      return Error{"nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels" + document.where(consumed)};
    }
    const std::size_t position = std::min(builder.error_position(), text.size());
    return Error{reader_message(builder.error()) + document.where(position)};
  }
  document.root_ = builder.take_root();
  return document;
}

Result<std::vector<const JsonValue*>> read_record(const JsonDocument& document, const JsonValue& value,
                                                  std::string_view struct_name, std::span<const FieldSpec> specs,
                                                  ArrayForm array_form) {
  std::vector<const JsonValue*> fields(specs.size(), nullptr);
  if (value.kind == JsonValue::Kind::array) {
    const std::size_t n = value.items.size();
    if (n > specs.size()) {
      return Error{document.error_at(value.items[specs.size()], "trailing characters: expected " +
                                                                    std::string(struct_name) + " with " +
                                                                    std::to_string(specs.size()) + " elements")};
    }
    if (array_form == ArrayForm::exact && n < specs.size()) {
      return Error{document.error_at(value, "invalid length " + std::to_string(n) + ", expected " +
                                                std::string(struct_name) + " with " + std::to_string(specs.size()) +
                                                " elements")};
    }
    for (std::size_t i = 0; i < n; ++i) fields[i] = &value.items[i];
    return fields;
  }
  if (value.kind != JsonValue::Kind::object) return fail(document, value, struct_name);

  for (const auto& [key, member] : value.members) {
    const auto spec = std::find_if(specs.begin(), specs.end(), [&](const FieldSpec& s) { return s.name == key; });
    if (spec == specs.end()) continue;  // not ours: skipped with its value
    const auto index = static_cast<std::size_t>(spec - specs.begin());
    if (fields[index] != nullptr) return Error{document.error_at(member, "duplicate field `" + key + "`")};
    fields[index] = &member;
  }
  for (std::size_t i = 0; i < specs.size(); ++i) {
    if (fields[i] == nullptr && specs[i].required) {
      return Error{document.error_at(value, "missing field `" + std::string(specs[i].name) + "`")};
    }
  }
  return fields;
}

Result<std::string> read_string(const JsonDocument& document, const JsonValue& value) {
  if (value.kind != JsonValue::Kind::string) return fail(document, value, "a string");
  return value.text;
}

Result<bool> read_bool(const JsonDocument& document, const JsonValue& value) {
  if (value.kind != JsonValue::Kind::boolean) return fail(document, value, "a boolean");
  return value.boolean;
}

Result<double> read_f64(const JsonDocument& document, const JsonValue& value) {
  switch (value.kind) {
    case JsonValue::Kind::real:
      return value.real;
    case JsonValue::Kind::integer:
      return static_cast<double>(value.integer);
    case JsonValue::Kind::unsigned_integer:
      return static_cast<double>(value.unsigned_integer);
    default:
      return fail(document, value, "f64");
  }
}

Result<std::int64_t> read_i64(const JsonDocument& document, const JsonValue& value) {
  if (value.kind == JsonValue::Kind::integer) return value.integer;
  if (value.kind == JsonValue::Kind::unsigned_integer) {
    if (value.unsigned_integer <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return static_cast<std::int64_t>(value.unsigned_integer);
    }
    return Error{document.error_at(value, "invalid value: " + describe(value) + ", expected i64")};
  }
  return fail(document, value, "i64");
}

Result<std::uint64_t> read_u64(const JsonDocument& document, const JsonValue& value) {
  if (value.kind == JsonValue::Kind::unsigned_integer) return value.unsigned_integer;
  if (value.kind == JsonValue::Kind::integer) {
    if (value.integer >= 0) return static_cast<std::uint64_t>(value.integer);
    return Error{document.error_at(value, "invalid value: " + describe(value) + ", expected u64")};
  }
  return fail(document, value, "u64");
}

Result<std::int32_t> read_i32(const JsonDocument& document, const JsonValue& value) {
  auto wide = read_i64(document, value);
  if (!wide) return Error{wide.error()};
  if (wide.value() < std::numeric_limits<std::int32_t>::min() || wide.value() > std::numeric_limits<std::int32_t>::max()) {
    return Error{document.error_at(value, "invalid value: " + describe(value) + ", expected i32")};
  }
  return static_cast<std::int32_t>(wide.value());
}

std::optional<Error> expect_kind(const JsonDocument& document, const JsonValue& value, JsonValue::Kind kind,
                                 std::string_view expected) {
  if (value.kind == kind) return std::nullopt;
  return fail(document, value, expected);
}

}  // namespace tarovik
