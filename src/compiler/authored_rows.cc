#include "compiler/authored_rows.h"

#include <cstdint>
#include <limits>

namespace scenarioc {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// The text between `from` and `to`, without the blanks around it.
AuthoredField trimmed(std::string_view data, size_t from, size_t to) {
  while (from < to && blank(data[from])) ++from;
  while (to > from && blank(data[to - 1])) --to;
  return {data.substr(from, to - from), from};
}

bool has_ci(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return false;
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    bool same = true;
    for (size_t j = 0; same && j < word.size(); ++j) {
      char a = text[i + j], b = word[j];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      same = a == b;
    }
    if (same) return true;
  }
  return false;
}

const Keyword* keyword_of(std::string_view key, SourceRole role, KeySection section) {
  for (const Keyword& k : keyword_table()) {
    if (k.section != section) continue;
    if (k.file != role && !k.in_both_files) continue;
    if (holds_keyword(key, k)) return &k;
  }
  return nullptr;
}

// Splits the rest of a line after its key into fields: at commas, and for
// the clock at blanks too.
std::vector<AuthoredField> fields_of(std::string_view data, size_t from, size_t to,
                                     bool blanks_part) {
  std::vector<AuthoredField> out;
  if (blanks_part) {
    size_t i = from;
    while (i < to) {
      while (i < to && (blank(data[i]) || data[i] == ',')) ++i;
      const size_t start = i;
      while (i < to && !blank(data[i]) && data[i] != ',') ++i;
      if (i > start) out.push_back({data.substr(start, i - start), start});
    }
    return out;
  }
  size_t start = from;
  for (size_t i = from; i <= to; ++i) {
    if (i == to || data[i] == ',') {
      out.push_back(trimmed(data, start, i));
      start = i + 1;
    }
  }
  // A row that ends with its last comma has no further field.
  if (!out.empty() && out.back().text.empty() && to > from && data[to - 1] == ',')
    out.pop_back();
  return out;
}

void fill_values(AuthoredRow& row) {
  const auto& specs = row.keyword->values;
  const bool has_text = !specs.empty() && specs.back().type == ValueType::kText;
  const size_t numbers = specs.size() - (has_text ? 1 : 0);
  if (row.fields.size() < specs.size()) return;
  row.values.reserve(numbers);
  for (size_t i = 0; i < numbers; ++i) {
    int64_t v = 0;
    // The compiler reads no value beyond 32 bits; kept so, the checks' sums
    // of positions and times cannot overflow.
    if (!whole_number(row.fields[i].text, v) || v < INT32_MIN || v > INT32_MAX) {
      row.values.clear();
      return;
    }
    row.values.push_back(v);
  }
  if (has_text) {
    row.text = row.fields[numbers].text;
    row.text_offset = row.fields[numbers].offset;
  }
  row.whole = true;
}

}  // namespace

bool whole_number(std::string_view text, int64_t& value) {
  value = 0;
  if (text.empty()) return true;
  size_t i = 0;
  const bool negative = text[0] == '-';
  if (negative) i = 1;
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    if (v > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
    v = v * 10 + (c - '0');
  }
  value = negative ? -v : v;
  return true;
}

AuthoredFile read_authored(std::string_view data, std::string label, SourceRole role) {
  AuthoredFile f;
  f.data = data;
  f.label = std::move(label);
  f.read = true;
  size_t pos = data.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  int line = 1;
  bool started = false;  // after [generale]
  KeySection section = role == SourceRole::kLine ? KeySection::kGeneral : KeySection::kData;
  while (pos < data.size()) {
    size_t end = pos;
    while (end < data.size() && data[end] != '\r' && data[end] != '\n') ++end;
    size_t comma = pos;
    while (comma < end && data[comma] != ',') ++comma;
    const AuthoredField key = trimmed(data, pos, comma);
    if (!started) {
      started = has_ci(key.text, "[generale]");
    } else if (key.text.find('-') != std::string_view::npos) {
      // A comment.
    } else if (key.text.find('[') != std::string_view::npos &&
               key.text.find(']') != std::string_view::npos) {
      section = KeySection::kData;
    } else if (const Keyword* k = keyword_of(key.text, role, section)) {
      AuthoredRow row;
      row.file = role;
      row.keyword = k;
      row.line = line;
      row.offset = key.offset;
      row.key = key.text;
      if (comma < end) row.fields = fields_of(data, comma + 1, end, k->blank_separated);
      fill_values(row);
      f.rows.push_back(std::move(row));
    }
    // The line end: CR LF, LF or CR.
    pos = end;
    if (pos < data.size() && data[pos] == '\r') {
      ++pos;
      if (pos < data.size() && data[pos] == '\n') ++pos;
    } else if (pos < data.size()) {
      ++pos;
    }
    ++line;
  }
  return f;
}

}  // namespace scenarioc
