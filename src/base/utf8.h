#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarovik::utf8 {

// The length of the well-formed UTF-8 sequence at text[pos] (pos < text.size()), or 0 for a
// malformed one: a stray or missing continuation byte, an overlong form, a surrogate or a
// value past U+10FFFF.
std::size_t sequence_length(std::string_view text, std::size_t pos);

// Decodes the scalar value at text[pos] and advances pos past it. A malformed
// sequence yields U+FFFD and advances by one byte, so every input terminates.
char32_t next(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of cp; surrogates and values past U+10FFFF become U+FFFD.
void append(std::string& out, char32_t cp);

// True for the characters Unicode calls white space (White_Space property).
bool is_whitespace(char32_t cp);

// text without white space at either end.
std::string_view trim_whitespace(std::string_view text);

// UTF-8 to UTF-16 and back, as the Windows interfaces want it. An unpaired surrogate in
// UTF-16, or a malformed sequence in UTF-8, becomes U+FFFD.
std::u16string to_utf16(std::string_view text);
std::string from_utf16(std::u16string_view text);

// Number of scalar values, counting each malformed byte as one.
std::size_t length(std::string_view text);

}  // namespace tarovik::utf8
