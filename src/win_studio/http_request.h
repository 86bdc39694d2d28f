#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarovik {

inline constexpr std::size_t kMaxRequestBytes = 65536;
inline constexpr std::size_t kReadBlockBytes = 2048;

// Collects the bytes of one request as they arrive and says when it is complete: the head
// ends at the first CR LF CR LF and the body is Content-Length bytes (at most 65,536).
class RequestReader {
 public:
  RequestReader() { buffer_.reserve(kReadBlockBytes); }

  // Adds received bytes; true once the whole request has arrived.
  bool append(std::span<const char> bytes);
  // Whether more bytes may still be received.
  bool wants_more() const { return !complete_ && buffer_.size() <= kMaxRequestBytes; }
  bool has_head() const { return head_end_.has_value(); }

  std::string method() const;
  // The values of the header lines of that name (letter case aside), trimmed, in order.
  std::vector<std::string> headers(std::string_view name) const;
  std::string path() const;
  // The body: Content-Length bytes after the head, or fewer when fewer arrived.
  std::string_view body() const;

 private:
  // The first line of the decoded head split at runs of white-space characters.
  std::vector<std::string> request_line() const;

  std::vector<char> buffer_;
  std::optional<std::size_t> head_end_;
  std::size_t content_length_ = 0;
  bool complete_ = false;
};

// The value of the last Content-Length line of a head: digits with an optional "+", at most
// 65,536; anything else reads as 0.
std::size_t content_length_of(std::string_view head);

// The head text of a response: status line and four header lines, and for an HTML page two
// more that keep other origins from framing it.
std::string format_response_head(std::string_view status, std::string_view content_type, std::size_t body_size);

}  // namespace tarovik
