// The engine's figures on real data; `tarovik-bench --help` gives each mode with its input and an example.
//   tarovik-bench [FILE]              roman words (or "previous<TAB>roman") -> candidates, tab-separated
//   tarovik-bench --stats [FILE]      load time, memory and suggest latency over the words
//   tarovik-bench --validate FILE     top-1 / top-5 accuracy on "roman<TAB>expected" pairs (expected
//                                     may list accepted spellings as "a|b")
//   tarovik-bench --hook [FILE]       time from a key-down to the keyboard hook's decision, typing
//                                     each word letter by letter and committing it with Space
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <unistd.h>

#include "phonetic/engine.h"
#include "phonetic/suggest.h"
#include "win_ime/keyboard_hook.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Query {
  std::string previous;
  std::string roman;
  std::string expected;  // --validate only
};

// Resident set size in KiB, from /proc (the benchmark runs on Linux).
long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

// Lines "roman", "previous<TAB>roman", or with validate "roman<TAB>expected" / "previous<TAB>roman<TAB>expected".
std::vector<Query> read_queries(std::istream& in, bool validate) {
  std::vector<Query> queries;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto f = split_tabs(line);
    if (validate) {
      if (f.size() == 2) queries.push_back({"", f[0], f[1]});
      if (f.size() >= 3) queries.push_back({f[0], f[1], f[2]});
    } else {
      queries.push_back(f.size() >= 2 ? Query{f[0], f[1], ""} : Query{"", f[0], ""});
    }
  }
  return queries;
}

tarovik::SuggestOptions options_for(const Query& query, std::size_t limit) {
  tarovik::SuggestOptions options;
  if (!query.previous.empty()) options.previous_word = query.previous;
  options.limit = limit;
  return options;
}

double percentile(std::vector<double> sorted, double p) {
  if (sorted.empty()) return 0;
  const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

int print_candidates(const tarovik::TransliterationEngine& engine, const std::vector<Query>& queries) {
  for (const Query& query : queries) {
    std::string line = query.roman;
    for (const auto& c : tarovik::suggest(engine, query.roman, options_for(query, 0)).candidates) line += "\t" + c.text;
    std::puts(line.c_str());
  }
  return 0;
}

int print_stats(const tarovik::TransliterationEngine& engine, const std::vector<Query>& queries, double load_ms,
                long rss_kib) {
  constexpr int kRepetitions = 7;
  std::vector<double> micros;
  std::string slowest;
  double slowest_us = 0;
  for (const Query& query : queries) {
    const auto options = options_for(query, 0);
    std::vector<double> runs;
    for (int r = 0; r < kRepetitions; ++r) {
      const auto start = Clock::now();
      const auto result = tarovik::suggest(engine, query.roman, options);
      runs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      if (result.candidates.size() > 1000) std::abort();  // keeps the call from being optimised away
    }
    std::sort(runs.begin(), runs.end());
    micros.push_back(runs[runs.size() / 2]);  // the median run of each word
    if (runs.back() > slowest_us) slowest_us = runs.back(), slowest = query.roman;
  }
  std::sort(micros.begin(), micros.end());
  std::printf("engine_load_ms\t%.1f\n", load_ms);
  std::printf("resident_mib_after_load\t%.1f\n", static_cast<double>(rss_kib) / 1024.0);
  std::printf("words\t%zu\n", queries.size());
  std::printf("suggest_p50_us\t%.1f\n", percentile(micros, 0.50));
  std::printf("suggest_p99_us\t%.1f\n", percentile(micros, 0.99));
  std::printf("suggest_max_us\t%.1f\t(%s, slowest single run %.1f us)\n", micros.empty() ? 0.0 : micros.back(),
              slowest.c_str(), slowest_us);
  return 0;
}

int hook_latency(tarovik::TransliterationEngine engine, const std::vector<Query>& queries) {
  tarovik::SharedState shared{{}, tarovik::ImeState(std::move(engine), tarovik::ImeConfig{})};
  std::uint16_t toggle_key = 0;
  std::vector<double> micros;
  auto key_down = [&](std::uint32_t vk, char32_t c) {
    tarovik::HookInputs in{{tarovik::KeyMessage::key_down, vk, 0, 0}, {}, 1, [c] { return std::optional<char32_t>(c); }};
    const auto start = Clock::now();
    const auto decision = tarovik::decide_key(&shared, toggle_key, in);
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    return decision;
  };
  for (const Query& query : queries) {
    for (char c : query.roman) {
      const auto vk = static_cast<std::uint32_t>(c >= 'a' && c <= 'z' ? c - 32 : static_cast<unsigned char>(c));
      key_down(vk, static_cast<unsigned char>(c));
    }
    key_down(tarovik::vk::space, U' ');
  }
  std::sort(micros.begin(), micros.end());
  std::printf("key_downs\t%zu\nhook_p50_us\t%.1f\nhook_p99_us\t%.1f\nhook_max_us\t%.1f\n", micros.size(),
              percentile(micros, 0.50), percentile(micros, 0.99), micros.empty() ? 0.0 : micros.back());
  return 0;
}

// The expected field may hold several accepted spellings separated by "|"; any of them counts.
bool accepted(std::string_view expected, std::string_view text) {
  for (std::size_t start = 0;;) {
    const std::size_t bar = expected.find('|', start);
    if (expected.substr(start, bar - start) == text) return true;
    if (bar == std::string_view::npos) return false;
    start = bar + 1;
  }
}

int validate(const tarovik::TransliterationEngine& engine, const std::vector<Query>& queries) {
  std::size_t first = 0, lower = 0;
  for (const Query& query : queries) {
    const auto candidates = tarovik::suggest(engine, query.roman, options_for(query, 5)).candidates;
    const auto it = std::find_if(candidates.begin(), candidates.end(),
                                 [&](const tarovik::Candidate& c) { return accepted(query.expected, c.text); });
    if (it == candidates.begin() && it != candidates.end()) {
      ++first;
      continue;
    }
    if (it != candidates.end()) ++lower;
    std::string line = "miss\t" + query.roman + "\t" + query.expected + "\t" +
                       (it == candidates.end() ? "-" : std::to_string(it - candidates.begin() + 1)) + "\t";
    for (const auto& c : candidates) line += " " + c.text;
    std::puts(line.c_str());
  }
  const double n = queries.empty() ? 1.0 : static_cast<double>(queries.size());
  const auto share = [n](std::size_t k) { return 100.0 * static_cast<double>(k) / n; };
  std::printf("pairs\t%zu\ntop1\t%.2f%%\ntop5\t%.2f%%\n", queries.size(), share(first), share(first + lower));
  std::printf("first / rows 2-5 / not offered\t%zu / %zu / %zu\t(%.2f%% / %.2f%% / %.2f%%)\n", first, lower,
              queries.size() - first - lower, share(first), share(lower), share(queries.size() - first - lower));
  return 0;
}

constexpr const char* kUsage =
    "usage: tarovik-bench [--stats | --validate | --hook] [FILE]\n"
    "       tarovik-bench --help    each mode with its input and an example\n";

constexpr const char* kHelp =
    "tarovik-bench: the phonetic engine's figures on real data.\n"
    "Each mode reads FILE, or standard input when FILE is missing or \"-\"; blank lines and\n"
    "lines starting with # are skipped. Run from the repository's root for the examples' paths.\n"
    "\n"
    "tarovik-bench [FILE]\n"
    "    Candidates for each word. Input: one roman word per line, or \"previous<TAB>roman\" to give\n"
    "    the word typed before it. Output: the roman word and its candidates, tab-separated.\n"
    "    Example: printf 'namaste\\nmero\\tnaam\\n' | tarovik-bench\n"
    "\n"
    "tarovik-bench --stats [FILE]\n"
    "    Load time, memory and suggest latency (p50, p99, max) over the words. Input: as above.\n"
    "    Example: tarovik-bench --stats bench/words.txt\n"
    "\n"
    "tarovik-bench --hook [FILE]\n"
    "    Time from a key-down to the keyboard hook's decision, typing each word letter by letter\n"
    "    and committing it with Space. Input: as above.\n"
    "    Example: tarovik-bench --hook bench/words.txt\n"
    "\n"
    "tarovik-bench --validate FILE\n"
    "    Top-1 / top-5 accuracy. Input: \"roman<TAB>expected\" or \"previous<TAB>roman<TAB>expected\";\n"
    "    expected may list accepted spellings as \"a|b\". Output: each miss, then the shares.\n"
    "    Example: tarovik-bench --validate bench/validation.tsv\n"
    "\n"
    "tarovik-bench --help (or -h)\n"
    "    This text.\n";

struct Arguments {
  std::string mode;  // empty: candidates
  std::string path;  // empty or "-": standard input
};

// The arguments, or the exit code when there is nothing to run: 0 after the help, 2 after a usage error.
std::variant<Arguments, int> parse_arguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--stats" || arg == "--validate" || arg == "--hook") {
      arguments.mode = arg;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      arguments.path = arg;
    }
  }
  return arguments;
}

bool reads_standard_input(const Arguments& arguments) {
  return arguments.path.empty() || arguments.path == "-";
}

// Someone who starts the program bare at a terminal would otherwise see it wait in silence.
void say_what_is_awaited(const Arguments& arguments) {
  if (!reads_standard_input(arguments) || !isatty(STDIN_FILENO)) return;
  const char* lines = arguments.mode == "--validate" ? "roman<TAB>expected pairs from standard input, one per line"
                                                     : "roman words from standard input, one per line "
                                                       "(or previous<TAB>roman)";
  std::fprintf(stderr, "reading %s; end with Ctrl+D; --help for the modes\n", lines);
}

std::optional<std::vector<Query>> load_queries(const Arguments& arguments) {
  const bool validate = arguments.mode == "--validate";
  if (reads_standard_input(arguments)) return read_queries(std::cin, validate);
  std::ifstream file(arguments.path);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", arguments.path.c_str());
    return std::nullopt;
  }
  return read_queries(file, validate);
}

}  // namespace

int main(int argc, char** argv) {
  const auto parsed = parse_arguments(argc, argv);
  if (const int* exit_code = std::get_if<int>(&parsed)) return *exit_code;
  const Arguments& arguments = std::get<Arguments>(parsed);
  say_what_is_awaited(arguments);

  const long before_kib = resident_kib();
  const auto start = Clock::now();
  auto engine = tarovik::engine_load();
  const double load_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (!engine) {
    std::fprintf(stderr, "engine_load failed: %s\n", engine.error().c_str());
    return 1;
  }
  const long rss_kib = resident_kib();

  const auto queries = load_queries(arguments);
  if (!queries) return 1;

  const std::string& mode = arguments.mode;
  if (mode == "--stats") {
    const auto& lexicon = engine.value().lexicon;
    std::printf("lexicon_words\t%u\nlexicon_nodes\t%u\nengine_growth_mib\t%.1f\n", lexicon.word_count,
                lexicon.node_count, static_cast<double>(rss_kib - before_kib) / 1024.0);
    return print_stats(engine.value(), *queries, load_ms, rss_kib);
  }
  if (mode == "--validate") return validate(engine.value(), *queries);
  if (mode == "--hook") return hook_latency(std::move(engine).value(), *queries);
  return print_candidates(engine.value(), *queries);
}
