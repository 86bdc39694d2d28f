#include "phonetic/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string>

namespace tarovik {

namespace {

// The trailer of a lone member states the inflated length; it is only a hint, so it is kept
// within what DEFLATE can expand to.
std::size_t length_hint(std::span<const std::uint8_t> compressed) {
  if (compressed.size() < 18) return 0;
  const std::uint8_t* t = compressed.data() + compressed.size() - 4;
  const std::size_t stated = t[0] | (t[1] << 8) | (t[2] << 16) | (static_cast<std::size_t>(t[3]) << 24);
  return std::min(stated, compressed.size() * 1032);
}

}  // namespace

Result<std::vector<std::uint8_t>> gunzip(std::span<const std::uint8_t> compressed, std::size_t reserve_bytes) {
  z_stream stream{};
  // 16 + 15: gzip framing only, largest window.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Error{"cannot initialise the inflater"};

  // Inflated in place, into a buffer sized once: no copy per block, no regrowth on the way.
  std::vector<std::uint8_t> out(std::max({reserve_bytes, length_hint(compressed), std::size_t{64 * 1024}}));
  std::size_t produced = 0;
  std::size_t consumed = 0;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (produced == out.size()) out.resize(out.size() * 2);
    const std::size_t in_left = compressed.size() - consumed;
    const auto in_now = static_cast<uInt>(std::min<std::size_t>(in_left, std::numeric_limits<uInt>::max()));
    const auto out_now = static_cast<uInt>(std::min<std::size_t>(out.size() - produced, std::numeric_limits<uInt>::max()));
    stream.next_in = const_cast<Bytef*>(compressed.data() + consumed);
    stream.avail_in = in_now;
    stream.next_out = out.data() + produced;
    stream.avail_out = out_now;
    status = inflate(&stream, Z_NO_FLUSH);
    consumed += in_now - stream.avail_in;
    produced += out_now - stream.avail_out;
    if (status == Z_STREAM_END) break;
    if (status == Z_BUF_ERROR && consumed == compressed.size()) {
      inflateEnd(&stream);
      return Error{"unexpected end of file"};
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      std::string message = stream.msg != nullptr ? stream.msg : "corrupt deflate stream";
      if (status == Z_DATA_ERROR && stream.msg == nullptr) message = "invalid gzip data";
      inflateEnd(&stream);
      return Error{std::move(message)};
    }
  }
  inflateEnd(&stream);
  out.resize(produced);
  return out;
}

Result<std::vector<std::uint8_t>> gunzip_prefix(std::span<const std::uint8_t> compressed, std::size_t count) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Error{"cannot initialise the inflater"};
  std::vector<std::uint8_t> out(count);
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), std::numeric_limits<uInt>::max()));
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
