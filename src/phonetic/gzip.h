#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"

struct z_stream_s;

namespace tarovik {

// Inflates one gzip member a chunk at a time into a buffer of its own, for a reader that takes
// the bytes in order: the whole inflated text is never held at once. The CRC-32 and length in
// the trailer are checked when the end is reached; bytes after the member are ignored. A member
// that inflates to more than max_bytes stops with an error there: a small file may state
// gigabytes.
class GunzipStream {
 public:
  explicit GunzipStream(std::span<const std::uint8_t> compressed,
                        std::size_t max_bytes = std::numeric_limits<std::size_t>::max());
  ~GunzipStream();
  GunzipStream(const GunzipStream&) = delete;
  GunzipStream& operator=(const GunzipStream&) = delete;

  // The next inflated bytes, valid until the next call; empty once the member has ended or
  // an error has stopped it.
  std::span<const std::uint8_t> next();
  // Inflates whatever the reader left, so that damage past the part it read is found too.
  void finish();
  // Why the stream stopped before its end; empty while nothing is wrong.
  const std::string& error() const { return error_; }
  // The inflated length that the trailer states, kept within what DEFLATE can expand to: a
  // hint for sizing, since a damaged trailer may say anything.
  std::size_t length_hint() const;

 private:
  std::span<const std::uint8_t> compressed_;
  std::unique_ptr<z_stream_s> stream_;
  std::vector<std::uint8_t> chunk_;
  std::size_t consumed_ = 0;
  std::size_t max_bytes_;
  std::size_t produced_ = 0;
  bool ended_ = false;
  std::string error_;
};

// The first bytes of the inflated stream, at most count, without inflating the rest.
Result<std::vector<std::uint8_t>> gunzip_prefix(std::span<const std::uint8_t> compressed, std::size_t count);

}  // namespace tarovik
