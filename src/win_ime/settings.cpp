#include "win_ime/settings.h"

#include <algorithm>
#include <array>

#include "base/utf8.h"

namespace tarovik {

namespace {

constexpr std::array<std::string_view, 5> kShortcutNames = {"ctrl_alt_space", "ctrl_space", "alt_grave",
                                                            "ctrl_shift_space", "pause_key"};
constexpr std::array<std::string_view, 5> kShortcutLabels = {"Ctrl+Alt+Space", "Ctrl+Space", "Alt+`",
                                                             "Ctrl+Shift+Space", "Pause"};
constexpr std::array<std::string_view, 3> kNumeralsNames = {"smart", "devanagari", "ascii"};
constexpr std::array<std::string_view, 3> kThemeNames = {"auto", "dark", "light"};
constexpr std::array<std::string_view, 3> kScaleNames = {"compact", "standard", "large"};
constexpr std::array<double, 3> kScaleFactors = {0.9, 1.0, 1.2};

constexpr std::array<FieldSpec, 16> kConfigFields{{
    {"toggleShortcut", false},   {"alsoCtrlSpace", false},  {"numeralsMode", false},      {"maxCandidates", false},
    {"periodPurnaBiram", false}, {"numberKeyCommits", false}, {"showCandidatePopup", false}, {"showModeToast", false},
    {"showFloatingPill", false}, {"learnPromotedWords", false}, {"devCorrectionLog", false}, {"startEnabled", false},
    {"themeMode", false},        {"uiScale", false},        {"pillX", false},             {"pillY", false},
}};

void append_bool(std::string& out, bool value) { out += value ? "true" : "false"; }

void append_optional(std::string& out, const std::optional<std::int32_t>& value) {
  out += value ? std::to_string(*value) : "null";
}

// An enumeration is its JSON string, or an object with that string as its only key and null.
template <std::size_t N>
Result<std::uint8_t> read_enum(const JsonDocument& document, const JsonValue& value,
                               const std::array<std::string_view, N>& names) {
  const std::string* name = nullptr;
  if (value.kind == JsonValue::Kind::string) {
    name = &value.text;
  } else if (value.kind == JsonValue::Kind::object && value.members.size() == 1 &&
             value.members[0].second.kind == JsonValue::Kind::null) {
    name = &value.members[0].first;
  }
  if (name != nullptr) {
    const auto it = std::find(names.begin(), names.end(), *name);
    if (it != names.end()) return static_cast<std::uint8_t>(it - names.begin());
    return Error{document.error_at(value, "unknown variant `" + *name + "`")};
  }
  return Error{document.error_at(value, "invalid type: " + describe(value) + ", expected an enumeration")};
}

// Reads each present field into config; the first error is the result.
class ConfigReader {
 public:
  ConfigReader(const JsonDocument& document, ImeConfig& config) : document_(document), config_(config) {}

  std::optional<Error> read(std::size_t index, const JsonValue& v) {
    switch (index) {
      case 0: return set_enum(v, kShortcutNames, config_.toggle_shortcut);
      case 1: return set(read_bool(document_, v), config_.also_ctrl_space);
      case 2: return set_enum(v, kNumeralsNames, config_.numerals_mode);
      case 3: return set(read_u64(document_, v), config_.max_candidates);
      case 4: return set(read_bool(document_, v), config_.period_purna_biram);
      case 5: return set(read_bool(document_, v), config_.number_key_commits);
      case 6: return set(read_bool(document_, v), config_.show_candidate_popup);
      case 7: return set(read_bool(document_, v), config_.show_mode_toast);
      case 8: return set(read_bool(document_, v), config_.show_floating_pill);
      case 9: return set(read_bool(document_, v), config_.learn_promoted_words);
      case 10: return set(read_bool(document_, v), config_.dev_correction_log);
      case 11: return set(read_bool(document_, v), config_.start_enabled);
      case 12: return set_enum(v, kThemeNames, config_.theme_mode);
      case 13: return set_enum(v, kScaleNames, config_.ui_scale);
      case 14: return set_position(v, config_.pill_x);
      case 15: return set_position(v, config_.pill_y);
      default: return std::nullopt;
    }
  }

 private:
  template <class T>
  static std::optional<Error> set(Result<T> result, T& field) {
    if (!result) return Error{result.error()};
    field = std::move(result).value();
    return std::nullopt;
  }
  template <class Enum, std::size_t N>
  std::optional<Error> set_enum(const JsonValue& v, const std::array<std::string_view, N>& names, Enum& field) {
    auto index = read_enum(document_, v, names);
    if (!index) return Error{index.error()};
    field = static_cast<Enum>(index.value());
    return std::nullopt;
  }
  std::optional<Error> set_position(const JsonValue& v, std::optional<std::int32_t>& field) {
    if (v.kind == JsonValue::Kind::null) {
      field.reset();
      return std::nullopt;
    }
    auto value = read_i32(document_, v);
    if (!value) return Error{value.error()};
    field = value.value();
    return std::nullopt;
  }

  const JsonDocument& document_;
  ImeConfig& config_;
};

}  // namespace

std::string_view to_json_string(ToggleShortcut value) { return kShortcutNames[static_cast<std::size_t>(value)]; }
std::string_view to_json_string(NumeralsMode value) { return kNumeralsNames[static_cast<std::size_t>(value)]; }
std::string_view to_json_string(ThemeMode value) { return kThemeNames[static_cast<std::size_t>(value)]; }
std::string_view to_json_string(UiScale value) { return kScaleNames[static_cast<std::size_t>(value)]; }
std::string_view shortcut_label(ToggleShortcut value) { return kShortcutLabels[static_cast<std::size_t>(value)]; }
double ui_scale_factor(UiScale value) { return kScaleFactors[static_cast<std::size_t>(value)]; }

void serialize_ime_config(const ImeConfig& c, std::string& out) {
  out.reserve(out.size() + 128);
  auto key = [&](std::string_view name) {
    out += out.empty() || out.back() == '{' ? "\"" : ",\"";
    out += name;
    out += "\":";
  };
  auto text = [&](std::string_view name, std::string_view value) {
    key(name);
    out += '"';
    out += value;
    out += '"';
  };
  out += '{';
  text("toggleShortcut", to_json_string(c.toggle_shortcut));
  key("alsoCtrlSpace"), append_bool(out, c.also_ctrl_space);
  text("numeralsMode", to_json_string(c.numerals_mode));
  key("maxCandidates"), out += std::to_string(c.max_candidates);
  key("periodPurnaBiram"), append_bool(out, c.period_purna_biram);
  key("numberKeyCommits"), append_bool(out, c.number_key_commits);
  key("showCandidatePopup"), append_bool(out, c.show_candidate_popup);
  key("showModeToast"), append_bool(out, c.show_mode_toast);
  key("showFloatingPill"), append_bool(out, c.show_floating_pill);
  key("learnPromotedWords"), append_bool(out, c.learn_promoted_words);
  key("devCorrectionLog"), append_bool(out, c.dev_correction_log);
  key("startEnabled"), append_bool(out, c.start_enabled);
  text("themeMode", to_json_string(c.theme_mode));
  text("uiScale", to_json_string(c.ui_scale));
  key("pillX"), append_optional(out, c.pill_x);
  key("pillY"), append_optional(out, c.pill_y);
  out += '}';
}

Result<ImeConfig> deserialize_ime_config(const JsonDocument& document, const JsonValue& value) {
  auto fields = read_record(document, value, "struct ImeConfig", kConfigFields, ArrayForm::at_most);
  if (!fields) return Error{fields.error()};
  ImeConfig config;
  ConfigReader reader(document, config);
  for (std::size_t i = 0; i < kConfigFields.size(); ++i) {
    if (fields.value()[i] == nullptr) continue;
    if (auto error = reader.read(i, *fields.value()[i])) return std::move(*error);
  }
  return config;
}

ImeConfig load_preferences(RegistryStore& registry) {
  const auto data = registry.read_value(kSettingsKey, kSettingsValue, kMaxSettingsBytes);
  if (!data || data->size() < kMinSettingsBytes) return {};
  // Read as UTF-16 whatever the value's type; the text ends at the first NUL unit.
  std::u16string units((data->size() + 1) / 2, u'\0');
  for (std::size_t i = 0; i < data->size(); ++i) {
    units[i / 2] = static_cast<char16_t>(units[i / 2] | ((*data)[i] << (8 * (i % 2))));
  }
  units.resize(std::min(units.size(), units.find(u'\0')));
  const auto document = parse_json(utf8::from_utf16(units));
  if (!document) return {};
  auto config = deserialize_ime_config(document.value(), document.value().root());
  if (!config) return {};
  config.value().max_candidates = clamp_max_candidates(config.value().max_candidates);
  return config.value();
}

void save_preferences(RegistryStore& registry, const ImeConfig& config) {
  ImeConfig stored = config;
  stored.max_candidates = clamp_max_candidates(stored.max_candidates);
  std::string text;
  serialize_ime_config(stored, text);
  registry.write_string(kSettingsKey, kSettingsValue, utf8::to_utf16(text), true);
}

bool autostart_enabled(RegistryStore& registry) { return registry.value_exists(kRunKey, kRunValue); }

void set_autostart(RegistryStore& registry, bool enable, const std::optional<std::u16string>& executable_path) {
  if (!enable) {
    registry.delete_value(kRunKey, kRunValue);
    return;
  }
  if (!executable_path) return;
  // Round-tripped through UTF-8 so that an unpaired surrogate becomes U+FFFD.
  const std::u16string path = utf8::to_utf16(utf8::from_utf16(*executable_path));
  registry.write_string(kRunKey, kRunValue, u"\"" + path + u"\"", false);
}

}  // namespace tarovik
