#pragma once

#include <cstdint>
#include <algorithm>
#include <string>
#include <vector>

namespace tarovik {

// One scored word; every candidate or prediction list is best first.
struct Candidate {
  std::string text;
  std::int64_t score = 0;

  friend bool operator==(const Candidate&, const Candidate&) = default;
};

// Highest score first; equal scores by text in byte order, so the order is total.
inline void sort_best_first(std::vector<Candidate>& candidates) {
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.text < b.text;
  });
}

}  // namespace tarovik
