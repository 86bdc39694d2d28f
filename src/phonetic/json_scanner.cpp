#include "phonetic/json_scanner.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/utf8.h"

namespace tarovik {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <class Integer>
bool whole_integer(std::string_view token, Integer& out) {
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), out);
  return error == std::errc{} && end == token.data() + token.size();
}

}  // namespace

bool JsonScanner::at_end() {
  skip_whitespace();
  return pos_ == text_.size();
}

char JsonScanner::peek() {
  skip_whitespace();
  return pos_ < text_.size() ? text_[pos_] : '\0';
}

void JsonScanner::skip_whitespace() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
    ++pos_;
  }
}

bool JsonScanner::take(char c) {
  if (peek() != c || pos_ == text_.size()) return false;
  ++pos_;
  return true;
}

bool JsonScanner::open(char bracket) {
  if (failed_ || !take(bracket) || ++depth_ > kMaxDepth) return fail();
  return true;
}

bool JsonScanner::read_string(std::string& out) {
  out.clear();
  return string_body(&out);
}

// Copies runs of plain bytes whole; out is null when the string is only stepped over.
bool JsonScanner::string_body(std::string* out) {
  if (failed_ || !take('"')) return fail();
  std::size_t run = pos_;
  while (pos_ < text_.size()) {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (c == '"' || c == '\\') {
      if (out != nullptr) out->append(text_.substr(run, pos_ - run));
      ++pos_;
      if (c == '"') return true;
      if (!escape(out)) return fail();
      run = pos_;
    } else if (c < 0x20) {
      return fail();  // control characters must be escaped
    } else if (c < 0x80) {
      ++pos_;
    } else {
      // Well-formed UTF-8 only, as parse_json's reader takes it.
      const std::size_t length = utf8::sequence_length(text_, pos_);
      if (length == 0) return fail();
      pos_ += length;
    }
  }
  return fail();
}

bool JsonScanner::escape(std::string* out) {
  if (pos_ == text_.size()) return false;
  char plain = 0;
  switch (text_[pos_++]) {
    case '"':
      plain = '"';
      break;
    case '\\':
      plain = '\\';
      break;
    case '/':
      plain = '/';
      break;
    case 'b':
      plain = '\b';
      break;
    case 'f':
      plain = '\f';
      break;
    case 'n':
      plain = '\n';
      break;
    case 'r':
      plain = '\r';
      break;
    case 't':
      plain = '\t';
      break;
    case 'u': {
      const auto hex4 = [this](char32_t& unit) {
        if (text_.size() - pos_ < 4) return false;
        unit = 0;
        for (int k = 0; k < 4; ++k) {
          const int digit = hex_value(text_[pos_++]);
          if (digit < 0) return false;
          unit = unit * 16 + static_cast<char32_t>(digit);
        }
        return true;
      };
      char32_t cp = 0;
      if (!hex4(cp) || (cp >= 0xDC00 && cp <= 0xDFFF)) return false;
      // A high surrogate must be followed by an escaped low one; together they are one character.
      if (cp >= 0xD800 && cp <= 0xDBFF) {
        char32_t low = 0;
        if (!text_.substr(pos_).starts_with("\\u")) return false;
        pos_ += 2;
        if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      }
      if (out != nullptr) utf8::append(*out, cp);
      return true;
    }
    default:
      return false;
  }
  if (out != nullptr) out->push_back(plain);
  return true;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, as the grammar has it.
bool JsonScanner::number_token(std::string_view& token, bool& integral) {
  if (failed_) return false;
  skip_whitespace();
  const std::size_t start = pos_;
  const auto at = [this](char c) { return pos_ < text_.size() && text_[pos_] == c; };
  const auto digits = [this] {
    const std::size_t from = pos_;
    while (pos_ < text_.size() && is_digit(text_[pos_])) ++pos_;
    return pos_ > from;
  };
  if (at('-')) ++pos_;
  if (at('0')) {
    ++pos_;
  } else if (!digits()) {
    return fail();
  }
  integral = true;
  if (at('.')) {
    ++pos_;
    integral = false;
    if (!digits()) return fail();
  }
  if (at('e') || at('E')) {
    ++pos_;
    integral = false;
    if (at('+') || at('-')) ++pos_;
    if (!digits()) return fail();
  }
  token = text_.substr(start, pos_ - start);
  return true;
}

bool JsonScanner::read_i64(std::int64_t& out) {
  std::string_view token;
  bool integral = false;
  if (!number_token(token, integral) || !integral || !whole_integer(token, out)) return fail();
  return true;
}

bool JsonScanner::read_f64(double& out) {
  std::string_view token;
  bool integral = false;
  if (!number_token(token, integral)) return false;
  // parse_json keeps an integer that fits in 64 bits as an integer, which read_f64 converts.
  if (integral) {
    std::int64_t negative = 0;
    std::uint64_t positive = 0;
    if (token[0] == '-' ? whole_integer(token, negative) : whole_integer(token, positive)) {
      out = token[0] == '-' ? static_cast<double>(negative) : static_cast<double>(positive);
      return true;
    }
  }
  // The rest its parser reads with strtod, refusing an infinite result.
  const std::string written(token);
  char* end = nullptr;
  out = std::strtod(written.c_str(), &end);
  if (end != written.c_str() + written.size() || !std::isfinite(out)) return fail();
  return true;
}

bool JsonScanner::literal(std::string_view word) {
  if (failed_ || text_.substr(pos_, word.size()) != word) return fail();
  pos_ += word.size();
  return true;
}

bool JsonScanner::take_null() { return peek() == 'n' && literal("null"); }

bool JsonScanner::skip_value() {
  switch (peek()) {
    case '{':
      return read_object([this](std::string&&) { return skip_value(); });
    case '[':
      return read_array([this] { return skip_value(); });
    case '"':
      return string_body(nullptr);
    case 't':
      return literal("true");
    case 'f':
      return literal("false");
    case 'n':
      return literal("null");
    default: {
      double ignored = 0;
      return read_f64(ignored);
    }
  }
}

}  // namespace tarovik
