#include "lsp/source_view.h"

#include <algorithm>

#include "lsp/text_lines.h"

namespace scenarioc::lsp {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ci(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool is_header_item(std::string_view item) {
  return !item.empty() && item.front() == '[' && item.find(']') != std::string_view::npos;
}

// The items of a line: comma-separated, each without its blanks. An item
// of blanks alone stands as an empty item at its place.
std::vector<Item> split_items(std::string_view line) {
  std::vector<Item> items;
  size_t at = 0;
  for (;;) {
    size_t end = line.find(',', at);
    const bool last = end == std::string_view::npos;
    if (last) end = line.size();
    size_t b = at, e = end;
    while (b < e && blank(line[b])) ++b;
    while (e > b && blank(line[e - 1])) --e;
    if (!(last && b == e && !items.empty() && at == line.size())) items.push_back({b, e});
    if (last) break;
    at = end + 1;
  }
  if (items.size() == 1 && items[0].begin == items[0].end) items.clear();
  return items;
}

}  // namespace

std::optional<SourceRole> role_of_file(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const auto ends_with = [&](std::string_view tail) {
    return name.size() > tail.size() && equal_ci(name.substr(name.size() - tail.size()), tail);
  };
  if (ends_with("_linea.txt")) return SourceRole::kLine;
  if (ends_with("-.txt") && name.find('_') != std::string_view::npos) return SourceRole::kTrain;
  return std::nullopt;
}

std::optional<int64_t> number_of(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 18) return std::nullopt;
  int64_t v = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

const Row* SourceView::row_at(size_t line) const {
  const auto it = std::lower_bound(rows.begin(), rows.end(), line,
                                   [](const Row& r, size_t l) { return r.line < l; });
  return it != rows.end() && it->line == line ? &*it : nullptr;
}

KeySection SourceView::section_at(size_t line) const {
  if (role == SourceRole::kTrain) return KeySection::kData;
  // The line file's general data run from [generale] to the next header.
  int headers_above = 0;
  for (const Section& s : sections)
    if (s.line < line) ++headers_above;
  return headers_above <= 1 ? KeySection::kGeneral : KeySection::kData;
}

SourceView read_view(std::string_view text, SourceRole role) {
  SourceView view;
  view.role = role;
  const TextLines lines(text);
  bool started = false;  // [generale] seen: what stands before it is not read
  bool general = role == SourceRole::kLine;
  for (size_t n = 0; n < lines.count(); ++n) {
    const std::string_view line = lines.line(n);
    Row row;
    row.line = n;
    row.items = split_items(line);
    if (row.items.empty()) continue;
    row.section = static_cast<int>(view.sections.size()) - 1;
    size_t i = 0;
    // Comment items before the key: up to ten in the line's general data,
    // two elsewhere; a further one is read as a key.
    const int comments_skipped = general ? 10 : 2;
    for (int skipped = 0; i < row.items.size() && started; ++i) {
      const std::string_view item = line.substr(row.items[i].begin, row.items[i].end - row.items[i].begin);
      if (item.find('-') == std::string_view::npos || skipped == comments_skipped) break;
      row.items[i].kind = ItemKind::kComment;
      ++skipped;
    }
    if (!started) {
      for (Item& it : row.items) {
        const std::string_view item = line.substr(it.begin, it.end - it.begin);
        if (started) {
          it.kind = ItemKind::kUnknown;  // after [generale] on its line: read as keys
        } else if (equal_ci(item, "[generale]")) {
          started = true;
          it.kind = ItemKind::kHeader;
          view.sections.push_back({n, std::string(item)});
        } else {
          it.kind = ItemKind::kComment;
        }
      }
      view.rows.push_back(std::move(row));
      continue;
    }
    if (i >= row.items.size()) {
      view.rows.push_back(std::move(row));
      continue;
    }
    Item& key = row.items[i];
    const std::string_view key_text = line.substr(key.begin, key.end - key.begin);
    const KeySection section = general ? KeySection::kGeneral : KeySection::kData;
    for (const Keyword& k : keyword_table()) {
      if (k.section != section || (k.file != role && !k.in_both_files)) continue;
      if (holds_keyword(key_text, k)) {
        row.key = &k;
        break;
      }
    }
    if (!row.key && is_header_item(key_text)) {
      key.kind = ItemKind::kHeader;
      row.section = static_cast<int>(view.sections.size());
      view.sections.push_back({n, std::string(key_text)});
      if (role == SourceRole::kLine && !equal_ci(key_text, "[generale]")) general = false;
      for (size_t j = i + 1; j < row.items.size(); ++j) row.items[j].kind = ItemKind::kUnknown;
    } else if (!row.key) {
      // The row is passed over: each of its items is read as a key of its
      // own, which matches nothing either.
      for (size_t j = i; j < row.items.size(); ++j)
        row.items[j].kind = row.items[j].kind == ItemKind::kComment ? ItemKind::kComment : ItemKind::kUnknown;
    } else {
      key.kind = ItemKind::kKey;
      int v = 0;
      const int values = static_cast<int>(row.key->values.size());
      for (size_t j = i + 1; j < row.items.size(); ++j) {
        Item& it = row.items[j];
        if (row.key->blank_separated && v < values) {
          // The clock: "6   51   45", three values apart by blanks.
          const std::string_view s = line.substr(it.begin, it.end - it.begin);
          size_t at = 0;
          std::vector<Item> parts;
          while (at < s.size()) {
            while (at < s.size() && blank(s[at])) ++at;
            const size_t b = at;
            while (at < s.size() && !blank(s[at])) ++at;
            if (at <= b) continue;
            // A number past the clock's three is read as a key of its own.
            if (v < values) parts.push_back({it.begin + b, it.begin + at, ItemKind::kNumber, v++});
            else parts.push_back({it.begin + b, it.begin + at, ItemKind::kUnknown, -1});
          }
          row.items.erase(row.items.begin() + static_cast<long>(j));
          row.items.insert(row.items.begin() + static_cast<long>(j), parts.begin(), parts.end());
          j += parts.size();
          --j;
          continue;
        }
        if (v >= values) {
          it.kind = ItemKind::kUnknown;  // past the row's values: read as a key
          continue;
        }
        it.value = v;
        it.kind = row.key->values[static_cast<size_t>(v)].type == ValueType::kText ? ItemKind::kText
                                                                                 : ItemKind::kNumber;
        ++v;
      }
    }
    view.rows.push_back(std::move(row));
  }
  return view;
}

}  // namespace scenarioc::lsp
