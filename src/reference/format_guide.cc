#include "reference/format_guide.h"

#include <cstdint>

#include "reference/explain.h"
#include "compiler/keywords.h"
#include "compiler/source_input.h"
#include "compiler/warnings.h"

namespace scenarioc {
namespace {

std::string code(std::string_view s) { return "`" + std::string(s) + "`"; }

// A range as an author reads it: the limits of a type are named, not spelt.
std::string range_of(const ValueSpec& v) {
  if (v.type == ValueType::kText) return "text, no comma";
  const bool whole_type = (v.type == ValueType::kLong && v.min == INT32_MIN && v.max == INT32_MAX) ||
                          (v.type == ValueType::kInteger && v.min == INT16_MIN &&
                           v.max == INT16_MAX);
  if (whole_type) return "any";
  if (v.min <= INT32_MIN) return "at most " + std::to_string(v.max);
  return std::to_string(v.min) + " to " + std::to_string(v.max);
}

std::string type_of(const ValueSpec& v) {
  switch (v.type) {
    case ValueType::kLong: return "whole number";
    case ValueType::kInteger: return "short whole number";
    case ValueType::kByte: return "byte";
    case ValueType::kText: return "text";
  }
  return "";
}

// "p (m), g (per mille, -60 to 60)": each value with its unit and range.
std::string values_in_brief(const Keyword& k) {
  if (k.values.empty()) return "none";
  std::string out;
  for (const ValueSpec& v : k.values) {
    if (!out.empty()) out += ", ";
    out += std::string(v.name);
    std::string detail(v.unit);
    const std::string range = range_of(v);
    if (range != "any") detail += (detail.empty() ? "" : ", ") + range;
    if (!detail.empty()) out += " (" + detail + ")";
  }
  if (k.blank_separated) out += "; blanks alone may part them";
  return out;
}

std::string words_of(const Keyword& k) {
  std::string out = code(k.words[0]);
  if (!k.words[1].empty()) out += " and " + code(k.words[1]);
  return out;
}

std::string what_of(const Keyword& k) {
  std::string out(k.description);
  if (!k.variants.empty()) {
    out += ". The key holds ";
    bool first = true;
    for (const KeyVariant& v : k.variants) {
      out += std::string(first ? "" : "; ") + code(v.text) + ": " + std::string(v.meaning);
      first = false;
    }
  }
  if (!k.example.empty()) out += ". Example: " + code(k.example);
  return out;
}

std::string keyword_table_of(SourceRole file, KeySection section) {
  std::string out =
      "\n| key contains | letter case | values (unit, range) | what the compiler does |\n"
      "|---|---|---|---|\n";
  for (const Keyword& k : keyword_table()) {
    if (k.file != file || k.section != section) continue;
    out += "| " + words_of(k) + " | " + (k.case_sensitive ? "lower" : "any") + " | " +
           values_in_brief(k) + " | " + what_of(k) + " |\n";
  }
  return out;
}

std::string header_table() {
  std::string out = "\n| header | file | what it does |\n|---|---|---|\n";
  for (const Keyword& k : keyword_table()) {
    if (k.section != KeySection::kHeader) continue;
    const std::string file = k.in_both_files ? "both"
                             : k.file == SourceRole::kLine ? "line"
                                                           : "train";
    out += "| " + code(k.key) + " | " + file + " | " + std::string(k.description) + " |\n";
  }
  return out;
}

std::string value_table_of(Key id) {
  std::string out =
      "\n| value | type | unit | range | what it means |\n|---|---|---|---|---|\n";
  int n = 0;
  for (const ValueSpec& v : keyword(id).values) {
    out += "| " + std::to_string(++n) + ". " + std::string(v.name) + " | " + type_of(v) + " | " +
           std::string(v.unit) + " | " + range_of(v) + " | " + std::string(v.meaning) +
           (v.may_be_empty ? "; may be left empty (reads as 0)" : "") + " |\n";
  }
  return out;
}

// The error codes and the warnings, with the title of their entry in
// `scenarioc explain`.
std::string code_table(bool warnings) {
  std::string out = warnings ? "\n| warning | what it tells |\n|---|---|\n"
                             : "\n| code | what it means |\n|---|---|\n";
  for (const Explanation* e : explanations_in_order()) {
    if (warning_named(e->key).has_value() != warnings) continue;
    out += "| " + (warnings ? code(e->key) : std::string(e->key)) + " | " +
           std::string(e->title) + " |\n";
  }
  return out;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> format_guide_tables() {
  const SourceRole L = SourceRole::kLine, T = SourceRole::kTrain;
  return {
      {"keywords:headers", header_table()},
      {"keywords:line-general", keyword_table_of(L, KeySection::kGeneral)},
      {"keywords:line-data", keyword_table_of(L, KeySection::kData)},
      {"keywords:train", keyword_table_of(T, KeySection::kData)},
      {"values:montagna", value_table_of(Key::kMontagna)},
      {"values:indicatori_vmax", value_table_of(Key::kIndicatoriV)},
      {"values:segnale", value_table_of(Key::kSegnale)},
      {"values:rallentamento", value_table_of(Key::kRallentamento)},
      {"values:stazione", value_table_of(Key::kStazione)},
      {"codes:errors", code_table(false)},
      {"codes:warnings", code_table(true)},
  };
}

namespace {

struct Span {
  size_t begin, end;  // of the text between the markers
};

std::optional<Span> find_marked(const std::string& doc, const std::string& name) {
  const std::string open = "<!-- " + name + ":begin -->", close = "<!-- " + name + ":end -->";
  const size_t b = doc.find(open), e = doc.find(close);
  if (b == std::string::npos || e == std::string::npos || e < b) return std::nullopt;
  if (doc.find(open, b + 1) != std::string::npos || doc.find(close, e + 1) != std::string::npos)
    return std::nullopt;
  return Span{b + open.size(), e};
}

}  // namespace

std::optional<std::string> marked_text(const std::string& doc, const std::string& name) {
  const std::optional<Span> s = find_marked(doc, name);
  if (!s) return std::nullopt;
  return doc.substr(s->begin, s->end - s->begin);
}

std::optional<std::string> with_generated_tables(const std::string& doc, std::string& missing) {
  std::string out = doc;
  for (const auto& [name, table] : format_guide_tables()) {
    const std::optional<Span> s = find_marked(out, name);
    if (!s) {
      missing = name;
      return std::nullopt;
    }
    out.replace(s->begin, s->end - s->begin, table);
  }
  return out;
}

}  // namespace scenarioc
