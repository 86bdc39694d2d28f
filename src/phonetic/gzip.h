#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "trie/result.h"

namespace tarovik {

// Inflates one gzip member, verifying its CRC-32 and length. The output buffer is reserved
// at reserve_bytes, or at the length the trailer states when larger, and grows past it if
// needed. Bytes after the member are ignored.
Result<std::vector<std::uint8_t>> gunzip(std::span<const std::uint8_t> compressed, std::size_t reserve_bytes);

// The first bytes of the inflated stream, at most count, without inflating the rest.
Result<std::vector<std::uint8_t>> gunzip_prefix(std::span<const std::uint8_t> compressed, std::size_t count);

}  // namespace tarovik
