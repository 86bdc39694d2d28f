#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonetic/embedded_data.h"
#include "phonetic/engine.h"
#include "tvtr_writer.h"

namespace tarovik::testing {

// The tables of a small engine; the rules default to the shipped rule table.
struct TestTables {
  std::vector<LexiconWord> words;
  std::string aliases = R"({"aliases": {}})";
  std::string bigrams = R"({"bigrams": {}})";
  std::string classes = R"({"classes": {}, "class_bigram_rules": []})";
  std::string rules;  // empty: the shipped rules
  // Replaces the rule document's loanwords, which are data that changes with the lexicon.
  std::optional<TextListMap> loanwords;
};

// Builds an engine from a small lexicon and tables, failing the test if it does not load.
inline TransliterationEngine build_engine(const TestTables& tables) {
  auto trie = write_lexicon_trie(tables.words);
  EXPECT_TRUE(trie.ok()) << (trie.ok() ? "" : trie.error());
  const auto gz = gzip_bytes(trie.value());
  const std::string_view rules = tables.rules.empty() ? embedded::rules_document() : std::string_view(tables.rules);
  auto engine = engine_load_from({gz, rules, tables.aliases, tables.bigrams, tables.classes});
  EXPECT_TRUE(engine.ok()) << (engine.ok() ? "" : engine.error());
  if (tables.loanwords) engine.value().loanwords = *tables.loanwords;
  return std::move(engine).value();
}

}  // namespace tarovik::testing
