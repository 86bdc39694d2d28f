#pragma once

#include <cstdint>
#include <string>

namespace tarovik {

// One scored word; every candidate or prediction list is best first.
struct Candidate {
  std::string text;
  std::int64_t score = 0;

  friend bool operator==(const Candidate&, const Candidate&) = default;
};

}  // namespace tarovik
