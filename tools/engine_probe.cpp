// engine-probe DATA_DIR < KEYS
// Prints, for each roman key read (one per line), the key and the engine's candidates in
// order, tab-separated, with the engine loaded from the data files of DATA_DIR: the data
// pipeline asks it which word a typist gets first before it writes the alias table.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <string>

#include "phonetic/engine.h"
#include "phonetic/suggest.h"

namespace {

bool read_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: engine-probe DATA_DIR < KEYS\n");
    return 1;
  }
  const std::string dir = argv[1];
  std::string lexicon, rules, aliases, bigrams, classes;
  for (auto [name, text] : {std::pair{"lexicon.tvtrie.gz", &lexicon}, {"rules.json", &rules},
                            {"aliases.json", &aliases}, {"bigrams.json", &bigrams},
                            {"semantic_classes.json", &classes}}) {
    if (!read_file(dir + "/" + name, *text)) {
      std::fprintf(stderr, "engine-probe: cannot read %s/%s\n", dir.c_str(), name);
      return 1;
    }
  }
  const tarovik::EngineSources sources{
      .lexicon_gz = std::span(reinterpret_cast<const std::uint8_t*>(lexicon.data()), lexicon.size()),
      .rules_document = rules,
      .aliases_document = aliases,
      .bigrams_document = bigrams,
      .semantic_classes_document = classes,
  };
  auto engine = tarovik::engine_load_from(sources);
  if (!engine) {
    std::fprintf(stderr, "engine-probe: %s\n", engine.error().c_str());
    return 1;
  }
  std::string key, line;
  while (std::getline(std::cin, key)) {
    line = key;
    for (const tarovik::Candidate& c : tarovik::suggest(engine.value(), key, {}).candidates) line += "\t" + c.text;
    line += "\n";
    std::fputs(line.c_str(), stdout);
  }
  return std::ferror(stdout) ? 1 : 0;
}
