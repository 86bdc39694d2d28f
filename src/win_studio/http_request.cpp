#include "win_studio/http_request.h"

#include <algorithm>
#include <limits>

#include "base/ascii.h"
#include "base/utf8.h"

namespace tarovik {

namespace {

constexpr std::string_view kHeadEnd = "\r\n\r\n";

// The head as text, invalid UTF-8 replaced by U+FFFD.
std::string decode_head(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) utf8::append(text, utf8::next(bytes, pos));
  return text;
}

std::vector<std::string_view> head_lines(std::string_view head) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= head.size()) {
    std::size_t end = head.find('\n', start);
    if (end == std::string_view::npos) end = head.size();
    std::string_view line = head.substr(start, end - start);
    if (end < head.size() && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::optional<std::uint64_t> parse_decimal(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// The trimmed values of the lines named name (ASCII letter case aside), in order.
std::vector<std::string> header_values(std::string_view raw_head, std::string_view name) {
  const std::string head = decode_head(raw_head);
  std::vector<std::string> values;
  for (std::string_view line : head_lines(head)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (ascii::lower(utf8::trim_whitespace(line.substr(0, colon))) != name) continue;
    values.emplace_back(utf8::trim_whitespace(line.substr(colon + 1)));
  }
  return values;
}

}  // namespace

std::size_t content_length_of(std::string_view raw_head) {
  const auto values = header_values(raw_head, "content-length");
  if (values.empty()) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(parse_decimal(values.back()).value_or(0), kMaxRequestBytes));
}

std::vector<std::string> RequestReader::headers(std::string_view name) const {
  if (!head_end_) return {};
  return header_values({buffer_.data(), *head_end_}, ascii::lower(name));
}


bool RequestReader::append(std::span<const char> bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  if (!head_end_) {
    const std::string_view all(buffer_.data(), buffer_.size());
    const std::size_t found = all.find(kHeadEnd);
    if (found == std::string_view::npos) return false;
    head_end_ = found;
    content_length_ = content_length_of(all.substr(0, found));
  }
  complete_ = buffer_.size() >= *head_end_ + kHeadEnd.size() + content_length_;
  return complete_;
}

std::vector<std::string> RequestReader::request_line() const {
  std::vector<std::string> pieces;
  if (!head_end_) return pieces;
  const std::string head = decode_head({buffer_.data(), *head_end_});
  const std::string_view first = head_lines(head).front();
  // By code point: 0x85 and 0xA0 are also the last bytes of characters such as अ.
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < first.size();) {
    const std::size_t here = pos;
    if (!utf8::is_whitespace(utf8::next(first, pos))) continue;
    if (here > start) pieces.emplace_back(first.substr(start, here - start));
    start = pos;
  }
  if (first.size() > start) pieces.emplace_back(first.substr(start));
  return pieces;
}

std::string RequestReader::method() const {
  auto pieces = request_line();
  return pieces.empty() ? "GET" : std::move(pieces[0]);
}

std::string RequestReader::path() const {
  auto pieces = request_line();
  return pieces.size() < 2 ? "/" : std::move(pieces[1]);
}

std::string_view RequestReader::body() const {
  if (!head_end_) return {};
  const std::size_t start = *head_end_ + kHeadEnd.size();
  const std::size_t available = buffer_.size() - std::min(start, buffer_.size());
  return {buffer_.data() + std::min(start, buffer_.size()), std::min(available, content_length_)};
}

std::string format_response_head(std::string_view status, std::string_view content_type, std::size_t body_size) {
  std::string head;
  head.reserve(160);
  head.append("HTTP/1.1 ").append(status).append("\r\n");
  head.append("Content-Type: ").append(content_type).append("\r\n");
  head.append("Content-Length: ").append(std::to_string(body_size)).append("\r\n");
  if (content_type.starts_with("text/html")) {
    // A page of another local origin must not frame ours and click its controls.
    head.append("Content-Security-Policy: frame-ancestors 'self'\r\nX-Frame-Options: SAMEORIGIN\r\n");
  }
  head.append("Cache-Control: no-store\r\n");
  head.append("Connection: close\r\n\r\n");
  return head;
}

}  // namespace tarovik
