#include "phonetic/phonetic_tables.h"

#include <array>
#include <new>

#include "phonetic/json_record.h"

namespace tarovik {

namespace {

using Kind = JsonValue::Kind;

// Reads the parts of one document; the first error stops it and is kept.
class TableReader {
 public:
  explicit TableReader(const JsonDocument& document) : document_(document) {}

  bool failed() const { return error_.has_value(); }
  Error error() const { return *error_; }

  std::vector<const JsonValue*> record(const JsonValue& value, std::string_view name, std::span<const FieldSpec> specs,
                                       ArrayForm array_form = ArrayForm::exact) {
    if (failed()) return std::vector<const JsonValue*>(specs.size(), nullptr);
    auto fields = read_record(document_, value, name, specs, array_form);
    if (!fields) {
      error_ = Error{fields.error()};
      return std::vector<const JsonValue*>(specs.size(), nullptr);
    }
    return std::move(fields).value();
  }

  std::string text(const JsonValue* value) { return take(value, read_string); }
  double number(const JsonValue* value) { return take(value, read_f64); }
  std::int64_t integer(const JsonValue* value) { return take(value, read_i64); }

  // Each element of an array, through read_one.
  template <class T, class ReadOne>
  std::vector<T> list(const JsonValue* value, std::string_view expected, ReadOne read_one) {
    std::vector<T> out;
    if (!check(value, Kind::array, expected)) return out;
    out.reserve(value->items.size());
    for (const JsonValue& item : value->items) {
      if (failed()) break;
      out.push_back(read_one(item));
    }
    return out;
  }

  std::vector<std::string> texts(const JsonValue* value) {
    return list<std::string>(value, "a sequence of strings", [&](const JsonValue& item) { return text(&item); });
  }

  // A map whose keys are data: a repeated key replaces the earlier value whole.
  template <class Value, class ReadOne>
  TextKeyedMap<Value> map(const JsonValue* value, ReadOne read_one) {
    TextKeyedMap<Value> out;
    if (!check(value, Kind::object, "a map")) return out;
    out.reserve(value->members.size());
    for (const auto& [key, member] : value->members) {
      if (failed()) break;
      out.insert_or_assign(key, read_one(member));
    }
    return out;
  }

  PhoneticEmission emission(const JsonValue& value) {
    static constexpr std::array<FieldSpec, 3> kFields{{{"text"}, {"penalty"}, {"kind"}}};
    const auto f = record(value, "struct PhoneticEmission", kFields);
    PhoneticEmission e;
    e.text = text(f[0]);
    e.penalty = number(f[1]);
    e.kind = text(f[2]);
    return e;
  }

  std::vector<PhoneticEmission> emissions(const JsonValue* value) {
    return list<PhoneticEmission>(value, "a sequence", [&](const JsonValue& item) { return emission(item); });
  }

  RuleEntry rule(const JsonValue& value) {
    static constexpr std::array<FieldSpec, 3> kFields{{{"roman"}, {"emissions"}, {"matraEmissions", false}}};
    const auto f = record(value, "struct RuleEntry", kFields);
    RuleEntry r;
    r.roman = text(f[0]);
    r.emissions = emissions(f[1]);
    if (f[2] != nullptr && f[2]->kind != Kind::null) r.matra_emissions = emissions(f[2]);
    return r;
  }

  ClassBigramRule class_rule(const JsonValue& value) {
    static constexpr std::array<FieldSpec, 3> kFields{{{"prev_class"}, {"target"}, {"recommended_boost"}}};
    const auto f = record(value, "struct ClassBigramRule", kFields);
    return {text(f[0]), text(f[1]), integer(f[2])};
  }

 private:
  template <class T>
  T take(const JsonValue* value, Result<T> (*read)(const JsonDocument&, const JsonValue&)) {
    if (failed() || value == nullptr) return T{};
    auto result = read(document_, *value);
    if (!result) {
      error_ = Error{result.error()};
      return T{};
    }
    return std::move(result).value();
  }

  bool check(const JsonValue* value, Kind kind, std::string_view expected) {
    if (failed() || value == nullptr) return false;
    if (auto error = expect_kind(document_, *value, kind, expected)) {
      error_ = std::move(error);
      return false;
    }
    return true;
  }

  const JsonDocument& document_;
  std::optional<Error> error_;
};

// Parses text and reads its top-level object with read_fields, or gives the first error.
template <class Document, std::size_t N, class ReadFields>
Result<Document> read_document(std::string_view json, std::string_view name, const std::array<FieldSpec, N>& specs,
                               ReadFields read_fields) {
  try {
    auto parsed = parse_json(json);
    if (!parsed) return Error{parsed.error()};
    TableReader reader(parsed.value());
    // A document is an object; only its records may also be written as arrays.
    const auto fields = reader.record(parsed.value().root(), name, specs, ArrayForm::refused);
    Document document;
    if (!reader.failed()) read_fields(reader, fields, document);
    if (reader.failed()) return reader.error();
    return document;
  } catch (const std::bad_alloc&) {
    return Error{"out of memory while reading the table"};
  }
}

}  // namespace

Result<RulesDocument> read_rules_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 4> kFields{
      {{"rules"}, {"loanwords"}, {"normalizationEquivalents"}, {"devanagariDigits"}}};
  return read_document<RulesDocument>(json, "struct RulesDocument", kFields, [](TableReader& r, const auto& f, RulesDocument& d) {
    d.rules = r.list<RuleEntry>(f[0], "a sequence", [&](const JsonValue& item) { return r.rule(item); });
    d.loanwords = r.map<std::vector<std::string>>(f[1], [&](const JsonValue& v) { return r.texts(&v); });
    d.normalization_equivalents = r.map<std::string>(f[2], [&](const JsonValue& v) { return r.text(&v); });
    d.devanagari_digits = r.map<std::string>(f[3], [&](const JsonValue& v) { return r.text(&v); });
  });
}

Result<AliasesDocument> read_aliases_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 1> kFields{{{"aliases"}}};
  return read_document<AliasesDocument>(json, "struct AliasesDocument", kFields,
                                        [](TableReader& r, const auto& f, AliasesDocument& d) {
                                          d.aliases = r.map<std::vector<std::string>>(
                                              f[0], [&](const JsonValue& v) { return r.texts(&v); });
                                        });
}

Result<BigramsDocument> read_bigrams_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 1> kFields{{{"bigrams"}}};
  return read_document<BigramsDocument>(json, "struct BigramsDocument", kFields,
                                        [](TableReader& r, const auto& f, BigramsDocument& d) {
                                          d.bigrams = r.map<WeightRow>(f[0], [&](const JsonValue& row) {
                                            return r.map<std::int64_t>(&row, [&](const JsonValue& w) { return r.integer(&w); });
                                          });
                                        });
}

Result<SemanticClassesDocument> read_semantic_classes_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 2> kFields{{{"classes"}, {"class_bigram_rules"}}};
  return read_document<SemanticClassesDocument>(
      json, "struct SemanticClassesDocument", kFields, [](TableReader& r, const auto& f, SemanticClassesDocument& d) {
        d.classes = r.map<std::vector<std::string>>(f[0], [&](const JsonValue& v) { return r.texts(&v); });
        d.class_bigram_rules =
            r.list<ClassBigramRule>(f[1], "a sequence", [&](const JsonValue& item) { return r.class_rule(item); });
      });
}

}  // namespace tarovik
