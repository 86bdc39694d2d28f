#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarovik::embedded {

// The data compiled into the program (data/ at build time).
std::span<const std::uint8_t> lexicon_gz();
std::string_view rules_document();
std::string_view aliases_document();
std::string_view bigrams_document();
std::string_view semantic_classes_document();

}  // namespace tarovik::embedded
