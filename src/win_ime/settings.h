#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "phonetic/json_record.h"
#include "base/result.h"
#include "win_ime/registry.h"

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

// Where the settings and the start-with-Windows entry live, under HKEY_CURRENT_USER.
inline constexpr std::string_view kSettingsKey = "Software\\Tarovik";
inline constexpr std::string_view kSettingsValue = "ConfigJson";
inline constexpr std::string_view kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunValue = "Tarovik";
// Registry data outside these sizes is not read as settings.
inline constexpr std::size_t kMinSettingsBytes = 4;
inline constexpr std::size_t kMaxSettingsBytes = 65536;

std::string_view to_json_string(ToggleShortcut value);
std::string_view to_json_string(NumeralsMode value);
std::string_view to_json_string(ThemeMode value);
std::string_view to_json_string(UiScale value);
std::string_view shortcut_label(ToggleShortcut value);
double ui_scale_factor(UiScale value);

// Appends the compact JSON object of the record, keys in declaration order.
void serialize_ime_config(const ImeConfig& config, std::string& out);

// Reads a record from an object (listed keys at most once, others skipped, missing ones
// defaulted) or an array of up to sixteen values. Any error rejects the whole record.
Result<ImeConfig> deserialize_ime_config(const JsonDocument& document, const JsonValue& value);

// The stored settings, or the defaults when there are none or they cannot be read.
ImeConfig load_preferences(RegistryStore& registry);
// Stores the record (maxCandidates clamped); best effort and silent.
void save_preferences(RegistryStore& registry, const ImeConfig& config);

bool autostart_enabled(RegistryStore& registry);
// Writes the quoted executable path to the Run value, or deletes it. Without a path nothing is written.
void set_autostart(RegistryStore& registry, bool enable, const std::optional<std::u16string>& executable_path);

}  // namespace tarovik
