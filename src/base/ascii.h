#pragma once

#include <string>
#include <string_view>

// The ASCII classes that roman text, addresses and protocol fields are read by; every other
// character, a byte of a UTF-8 sequence among them, is in none of them.
namespace tarovik::ascii {

constexpr bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }
constexpr bool is_upper(char32_t c) { return c >= 'A' && c <= 'Z'; }
constexpr bool is_lower(char32_t c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_letter(char32_t c) { return is_upper(c) || is_lower(c); }
// The byte of a signed char, so that the bytes of a UTF-8 sequence stay outside ASCII.
constexpr char32_t byte(char c) { return static_cast<unsigned char>(c); }

// A-Z to a-z; every other character stays.
constexpr char lower(char c) { return is_upper(byte(c)) ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char32_t lower(char32_t c) { return is_upper(c) ? c - 'A' + 'a' : c; }
inline std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

}  // namespace tarovik::ascii
