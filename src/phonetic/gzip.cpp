#include "phonetic/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string>

namespace tarovik {

namespace {

// Large enough that a call to the inflater does real work, small enough to stay in cache.
constexpr std::size_t kChunkBytes = 64 * 1024;

std::string size_text(std::size_t bytes) {
  constexpr std::size_t kMiB = 1024 * 1024;
  return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB" : std::to_string(bytes) + " bytes";
}

uInt clamp_to_uint(std::size_t n) { return static_cast<uInt>(std::min<std::size_t>(n, std::numeric_limits<uInt>::max())); }

}  // namespace

GunzipStream::GunzipStream(std::span<const std::uint8_t> compressed, std::size_t max_bytes)
    : compressed_(compressed), stream_(std::make_unique<z_stream_s>()), chunk_(kChunkBytes), max_bytes_(max_bytes) {
  // 16 + 15: gzip framing only, largest window.
  if (inflateInit2(stream_.get(), 16 + MAX_WBITS) != Z_OK) {
    error_ = "cannot initialise the inflater";
    ended_ = true;
    stream_.reset();
  }
}

GunzipStream::~GunzipStream() {
  if (stream_) inflateEnd(stream_.get());
}

std::span<const std::uint8_t> GunzipStream::next() {
  if (ended_) return {};
  z_stream& stream = *stream_;
  std::size_t produced = 0;
  while (produced < chunk_.size()) {
    const uInt in_now = clamp_to_uint(compressed_.size() - consumed_);
    const uInt out_now = clamp_to_uint(chunk_.size() - produced);
    stream.next_in = const_cast<Bytef*>(compressed_.data() + consumed_);
    stream.avail_in = in_now;
    stream.next_out = chunk_.data() + produced;
    stream.avail_out = out_now;
    const int status = inflate(&stream, Z_NO_FLUSH);
    consumed_ += in_now - stream.avail_in;
    produced += out_now - stream.avail_out;
    if (status == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (status == Z_BUF_ERROR && consumed_ == compressed_.size()) {
      error_ = "unexpected end of file";
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      error_ = stream.msg != nullptr ? stream.msg : "corrupt deflate stream";
      if (status == Z_DATA_ERROR && stream.msg == nullptr) error_ = "invalid gzip data";
    }
    if (!error_.empty()) {
      ended_ = true;
      return {};
    }
  }
  if (produced > max_bytes_ - produced_) {
    error_ = "inflates to more than " + size_text(max_bytes_);
    ended_ = true;
    return {};
  }
  produced_ += produced;
  return std::span(chunk_).first(produced);
}

void GunzipStream::finish() {
  while (!next().empty()) {
  }
}

std::size_t GunzipStream::length_hint() const {
  if (compressed_.size() < 18) return 0;
  const std::uint8_t* t = compressed_.data() + compressed_.size() - 4;
  const std::size_t stated = t[0] | (t[1] << 8) | (t[2] << 16) | (static_cast<std::size_t>(t[3]) << 24);
  return std::min(stated, compressed_.size() * 1032);
}

Result<std::vector<std::uint8_t>> gunzip_prefix(std::span<const std::uint8_t> compressed, std::size_t count) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Error{"cannot initialise the inflater"};
  std::vector<std::uint8_t> out(count);
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = clamp_to_uint(compressed.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(count);
  while (stream.avail_out > 0) {
    const int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK) {
      inflateEnd(&stream);
      return Error{stream.msg != nullptr ? stream.msg : "invalid gzip data"};
    }
  }
  out.resize(count - stream.avail_out);
  inflateEnd(&stream);
  return out;
}

}  // namespace tarovik
