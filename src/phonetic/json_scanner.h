#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarovik {

// Reads JSON text front to back, a value at a time, straight into what the caller builds: no
// tree in between. It takes only text that parse_json takes too, and reads it to the same
// strings and numbers. At anything else it stops, failed, without a message: the caller then
// hands the text to parse_json, which names the fault. The scanner is the quick way through
// well-formed text, such as the tables the program carries.
class JsonScanner {
 public:
  explicit JsonScanner(std::string_view text) : text_(text) {}

  bool failed() const { return failed_; }
  // Nothing but whitespace is left.
  bool at_end();
  // The first byte of the next value, or 0 at the end of the text.
  char peek();

  bool read_string(std::string& out);
  // Any number, as parse_json holds it and read_f64 gives it.
  bool read_f64(double& out);
  // An integer written without a fraction or an exponent that fits in 64 signed bits.
  bool read_i64(std::int64_t& out);
  // Takes the next value if it is null; otherwise leaves it, without failing.
  bool take_null();
  // Steps over the next value, whatever it is.
  bool skip_value();

  // Calls on_member(key) for each member of an object, the scanner standing at the member's
  // value, which on_member reads; on_member returns false to stop.
  template <class OnMember>
  bool read_object(OnMember on_member);
  // Calls on_item() for each element of an array, which on_item reads.
  template <class OnItem>
  bool read_array(OnItem on_item);

 private:
  // Nesting the tables never reach; deeper text goes to parse_json.
  static constexpr int kMaxDepth = 64;

  bool fail() {
    failed_ = true;
    return false;
  }
  void skip_whitespace();
  bool take(char c);
  bool open(char bracket);
  bool string_body(std::string* out);
  bool escape(std::string* out);
  bool number_token(std::string_view& token, bool& integral);
  bool literal(std::string_view word);

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  bool failed_ = false;
};

template <class OnMember>
bool JsonScanner::read_object(OnMember on_member) {
  if (!open('{')) return false;
  if (!take('}')) {
    do {
      std::string key;
      if (!read_string(key) || !take(':')) return fail();
      if (!on_member(std::move(key))) return fail();
    } while (take(','));
    if (!take('}')) return fail();
  }
  --depth_;
  return true;
}

template <class OnItem>
bool JsonScanner::read_array(OnItem on_item) {
  if (!open('[')) return false;
  if (!take(']')) {
    do {
      if (!on_item()) return fail();
    } while (take(','));
    if (!take(']')) return fail();
  }
  --depth_;
  return true;
}

}  // namespace tarovik
