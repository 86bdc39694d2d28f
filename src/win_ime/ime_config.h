#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarovik {

enum class ToggleShortcut : std::uint8_t { ctrl_alt_space, ctrl_space, alt_grave, ctrl_shift_space, pause_key };
enum class NumeralsMode : std::uint8_t { smart, devanagari, ascii };
enum class ThemeMode : std::uint8_t { automatic, dark, light };  // "auto", "dark", "light"
enum class UiScale : std::uint8_t { compact, standard, large };

// The user's settings; the default record is what every failed read gives.
struct ImeConfig {
  ToggleShortcut toggle_shortcut = ToggleShortcut::ctrl_alt_space;
  bool also_ctrl_space = true;
  NumeralsMode numerals_mode = NumeralsMode::smart;
  std::uint64_t max_candidates = 5;
  bool period_purna_biram = true;
  bool number_key_commits = true;
  bool show_candidate_popup = true;
  bool show_mode_toast = true;
  bool show_floating_pill = true;
  bool learn_promoted_words = true;
  bool dev_correction_log = false;
  bool start_enabled = true;
  ThemeMode theme_mode = ThemeMode::automatic;
  UiScale ui_scale = UiScale::standard;
  std::optional<std::int32_t> pill_x;
  std::optional<std::int32_t> pill_y;

  friend bool operator==(const ImeConfig&, const ImeConfig&) = default;
};

inline constexpr std::uint64_t kMinCandidates = 3;
inline constexpr std::uint64_t kMaxCandidates = 7;

// maxCandidates kept within 3..7.
std::uint64_t clamp_max_candidates(std::uint64_t value);

}  // namespace tarovik
