#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonetic/engine.h"

namespace tarovik {

// Where a text stands in the lexicon trie: a node and how much of its label is matched.
struct TriePosition {
  std::uint32_t node = 0;
  std::uint32_t matched = 0;
  bool inside = true;  // false once no word of the lexicon begins with the text
};

// One partial transliteration of the beam search.
struct BeamState {
  std::string text;
  double penalty = 0.0;
  bool ends_with_consonant = false;  // a bare consonant that a conjunct or vowel sign may follow
  // Known for states grown by the search, so that scoring a state walks only the bytes it
  // added; without it the state's whole text is looked up.
  std::optional<TriePosition> position;
};

struct ScoredBeamState {
  BeamState state;
  double score = 0.0;  // penalty minus the lexicon prefix bonus; lower is better
};

struct PhoneticForm {
  std::string word;
  double penalty = 0.0;
};

// Prefix maxima of the lexicon, kept for one generate_phonetic_forms call.
using PrefixCache = TextKeyedMap<std::uint16_t>;

// Devanagari words for a roman word by rule, lowest penalty first. Empty for text that is
// blank or holds a byte outside ASCII.
std::vector<PhoneticForm> generate_phonetic_forms(const TransliterationEngine& engine, std::string_view roman,
                                                  std::size_t max_beam);

// Keeps the max_beam most promising states, best first, one per (text, ends_with_consonant).
std::vector<BeamState> prune_beam(const LexiconTrie& lexicon, std::vector<BeamState> states, PrefixCache& prefix_cache,
                                  std::size_t max_beam);

ScoredBeamState score_beam_state(const LexiconTrie& lexicon, PrefixCache& prefix_cache, const BeamState& state);

// The consonant skeleton of a roman word: the key for vowel-less shorthand ("ktm").
std::string roman_to_skeleton(std::string_view roman);

// Leaves out each character that equals the one just before it ("kkt" -> "kt").
std::string collapse_repeats(std::string_view text);

}  // namespace tarovik
