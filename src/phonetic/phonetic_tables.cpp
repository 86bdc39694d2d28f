#include "phonetic/phonetic_tables.h"

#include <algorithm>
#include <array>
#include <new>

#include "phonetic/json_record.h"
#include "phonetic/json_scanner.h"

namespace tarovik {

namespace {

using Kind = JsonValue::Kind;

constexpr std::array<FieldSpec, 3> kEmissionFields{{{"text"}, {"penalty"}, {"kind"}}};
constexpr std::array<FieldSpec, 3> kRuleFields{{{"roman"}, {"emissions"}, {"matraEmissions", false}}};
constexpr std::array<FieldSpec, 3> kClassRuleFields{{{"prev_class"}, {"target"}, {"recommended_boost"}}};

// The tables are read through one of two sources with the same calls. Each call reads the
// value the source stands at and returns false at a fault, which ends the reading.
//
// ScanSource reads the text front to back with no tree: the quick way for the tables as the
// program carries them. It names no fault; where it fails, the text is read again through
// TreeSource, which walks the parsed tree in the order of the fields as listed and keeps the
// message of the first fault, with its place in the text.
class ScanSource {
 public:
  explicit ScanSource(std::string_view json) : in_(json) {}

  bool at_end() { return in_.at_end(); }

  bool text(std::string& out) { return in_.read_string(out); }
  bool number(double& out) { return in_.read_f64(out); }
  bool integer(std::int64_t& out) { return in_.read_i64(out); }
  bool null() { return in_.take_null(); }

  template <class ReadItem>
  bool list(std::string_view, ReadItem read_item) {
    return in_.read_array(read_item);
  }

  template <class ReadMember>
  bool map(ReadMember read_member) {
    return in_.read_object(read_member);
  }

  // A record as an object (listed keys at most once, required ones present, others skipped)
  // or, unless array_form refuses it, as an array of exactly its fields.
  template <std::size_t N, class ReadField>
  bool record(std::string_view, const std::array<FieldSpec, N>& specs, ArrayForm array_form, ReadField read_field) {
    if (in_.peek() == '[') {
      std::size_t count = 0;
      return array_form != ArrayForm::refused && in_.read_array([&] { return count < N && read_field(count++); }) &&
             (count == N || array_form == ArrayForm::at_most);
    }
    std::array<bool, N> seen{};
    const bool read = in_.read_object([&](const std::string& key) {
      for (std::size_t i = 0; i < N; ++i) {
        if (specs[i].name != key) continue;
        if (seen[i]) return false;
        seen[i] = true;
        return read_field(i);
      }
      return in_.skip_value();
    });
    if (!read) return false;
    for (std::size_t i = 0; i < N; ++i) {
      if (!seen[i] && specs[i].required) return false;
    }
    return true;
  }

 private:
  JsonScanner in_;
};

class TreeSource {
 public:
  explicit TreeSource(const JsonDocument& document) : document_(document), at_(&document.root()) {}

  Error error() const { return *error_; }

  bool text(std::string& out) { return take(read_string, out); }
  bool number(double& out) { return take(read_f64, out); }
  bool integer(std::int64_t& out) { return take(read_i64, out); }
  bool null() const { return at_->kind == Kind::null; }

  template <class ReadItem>
  bool list(std::string_view expected, ReadItem read_item) {
    if (!check(Kind::array, expected)) return false;
    for (const JsonValue& item : at_->items) {
      at_ = &item;
      if (!read_item()) return false;
    }
    return true;
  }

  template <class ReadMember>
  bool map(ReadMember read_member) {
    if (!check(Kind::object, "a map")) return false;
    for (const auto& [key, member] : at_->members) {
      at_ = &member;
      if (!read_member(key)) return false;
    }
    return true;
  }

  // Every field present is read, in the order of specs.
  template <std::size_t N, class ReadField>
  bool record(std::string_view name, const std::array<FieldSpec, N>& specs, ArrayForm array_form,
              ReadField read_field) {
    auto fields = read_record(document_, *at_, name, specs, array_form);
    if (!fields) return fail(Error{fields.error()});
    for (std::size_t i = 0; i < N; ++i) {
      if (fields.value()[i] == nullptr) continue;
      at_ = fields.value()[i];
      if (!read_field(i)) return false;
    }
    return true;
  }

 private:
  bool fail(Error error) {
    error_ = std::move(error);
    return false;
  }

  template <class T>
  bool take(Result<T> (*read)(const JsonDocument&, const JsonValue&), T& out) {
    auto result = read(document_, *at_);
    if (!result) return fail(Error{result.error()});
    out = std::move(result).value();
    return true;
  }

  bool check(Kind kind, std::string_view expected) {
    if (auto error = expect_kind(document_, *at_, kind, expected)) return fail(std::move(*error));
    return true;
  }

  const JsonDocument& document_;
  const JsonValue* at_;
  std::optional<Error> error_;
};

// What the tables are made of, for either source.

template <class Source>
bool read_texts(Source& in, std::vector<std::string>& out) {
  return in.list("a sequence of strings", [&] { return in.text(out.emplace_back()); });
}

// A map whose keys are data: a repeated key replaces the earlier value whole.
template <class Source, class Value, class ReadValue>
bool read_map(Source& in, TextKeyedMap<Value>& out, ReadValue read_value) {
  return in.map([&](std::string key) {
    Value value{};
    if (!read_value(value)) return false;
    out.insert_or_assign(std::move(key), std::move(value));
    return true;
  });
}

template <class Source>
bool read_weight_row(Source& in, WeightRow& row) {
  std::vector<WeightRow::Entry> entries;
  const bool read = in.map([&](std::string word) {
    std::int64_t weight = 0;
    if (!in.integer(weight)) return false;
    entries.emplace_back(std::move(word), weight);
    return true;
  });
  row = WeightRow(std::move(entries));
  return read;
}

// A record of three fields, each read by its own reader, whether written as an object or as
// an array of exactly three values.
template <class Source, class Read0, class Read1, class Read2>
bool read_three_fields(Source& in, std::string_view name, const std::array<FieldSpec, 3>& specs, Read0 read0,
                       Read1 read1, Read2 read2) {
  return in.record(name, specs, ArrayForm::exact, [&](std::size_t field) {
    return field == 0 ? read0() : field == 1 ? read1() : read2();
  });
}

template <class Source>
bool read_emission(Source& in, PhoneticEmission& e) {
  return read_three_fields(
      in, "struct PhoneticEmission", kEmissionFields, [&] { return in.text(e.text); },
      [&] { return in.number(e.penalty); }, [&] { return in.text(e.kind); });
}

template <class Source>
bool read_emissions(Source& in, std::vector<PhoneticEmission>& out) {
  return in.list("a sequence", [&] { return read_emission(in, out.emplace_back()); });
}

template <class Source>
bool read_rule(Source& in, RuleEntry& r) {
  return read_three_fields(
      in, "struct RuleEntry", kRuleFields, [&] { return in.text(r.roman); },
      [&] { return read_emissions(in, r.emissions); },
      // Null reads as absent.
      [&] { return in.null() || read_emissions(in, r.matra_emissions.emplace()); });
}

template <class Source>
bool read_class_rule(Source& in, ClassBigramRule& rule) {
  return read_three_fields(
      in, "struct ClassBigramRule", kClassRuleFields, [&] { return in.text(rule.prev_class); },
      [&] { return in.text(rule.target); }, [&] { return in.integer(rule.recommended_boost); });
}

// Reads a document's top-level object, an object only, with read_field(source, index, document).
template <class Document, std::size_t N, class ReadField>
Result<Document> read_document(std::string_view json, std::string_view name, const std::array<FieldSpec, N>& specs,
                               ReadField read_field) {
  try {
    Document document;
    ScanSource scan(json);
    const auto scan_field = [&](std::size_t field) { return read_field(scan, field, document); };
    if (scan.record(name, specs, ArrayForm::refused, scan_field) && scan.at_end()) return document;

    auto parsed = parse_json(json);
    if (!parsed) return Error{parsed.error()};
    document = Document{};
    TreeSource tree(parsed.value());
    const auto tree_field = [&](std::size_t field) { return read_field(tree, field, document); };
    if (!tree.record(name, specs, ArrayForm::refused, tree_field)) return tree.error();
    return document;
  } catch (const std::bad_alloc&) {
    return Error{"out of memory while reading the table"};
  }
}

}  // namespace

WeightRow::WeightRow(std::vector<Entry> entries) : entries_(std::move(entries)) {
  // Reversed, so that after a stable sort the last entry for a word leads its run.
  std::reverse(entries_.begin(), entries_.end());
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
  const auto same_word = [](const Entry& a, const Entry& b) { return a.first == b.first; };
  entries_.erase(std::unique(entries_.begin(), entries_.end(), same_word), entries_.end());
  entries_.shrink_to_fit();
}

const std::int64_t* WeightRow::find(std::string_view word) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), word,
                                   [](const Entry& entry, std::string_view w) { return entry.first < w; });
  return it != entries_.end() && it->first == word ? &it->second : nullptr;
}

Result<RulesDocument> read_rules_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 4> kFields{
      {{"rules"}, {"loanwords"}, {"normalizationEquivalents"}, {"devanagariDigits"}}};
  return read_document<RulesDocument>(json, "struct RulesDocument", kFields,
                                      [](auto& in, std::size_t field, RulesDocument& d) {
                                        switch (field) {
                                          case 0:
                                            return in.list("a sequence", [&] { return read_rule(in, d.rules.emplace_back()); });
                                          case 1:
                                            return read_map(in, d.loanwords, [&](auto& v) { return read_texts(in, v); });
                                          case 2:
                                            return read_map(in, d.normalization_equivalents, [&](auto& v) { return in.text(v); });
                                          default:
                                            return read_map(in, d.devanagari_digits, [&](auto& v) { return in.text(v); });
                                        }
                                      });
}

Result<AliasesDocument> read_aliases_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 1> kFields{{{"aliases"}}};
  return read_document<AliasesDocument>(json, "struct AliasesDocument", kFields,
                                        [](auto& in, std::size_t, AliasesDocument& d) {
                                          return read_map(in, d.aliases, [&](auto& v) { return read_texts(in, v); });
                                        });
}

Result<BigramsDocument> read_bigrams_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 1> kFields{{{"bigrams"}}};
  return read_document<BigramsDocument>(json, "struct BigramsDocument", kFields,
                                        [](auto& in, std::size_t, BigramsDocument& d) {
                                          return read_map(in, d.bigrams, [&](WeightRow& row) { return read_weight_row(in, row); });
                                        });
}

Result<SemanticClassesDocument> read_semantic_classes_document(std::string_view json) {
  static constexpr std::array<FieldSpec, 2> kFields{{{"classes"}, {"class_bigram_rules"}}};
  return read_document<SemanticClassesDocument>(
      json, "struct SemanticClassesDocument", kFields, [](auto& in, std::size_t field, SemanticClassesDocument& d) {
        if (field == 0) return read_map(in, d.classes, [&](auto& v) { return read_texts(in, v); });
        return in.list("a sequence", [&] { return read_class_rule(in, d.class_bigram_rules.emplace_back()); });
      });
}

}  // namespace tarovik
