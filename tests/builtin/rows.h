// Reading the rows of a built-in text table back in the tests: the entries
// before the end marker, a row cut at its commas, the numbers in its fields.
#pragma once

#include <charconv>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "builtin/text_file.h"

namespace scenarioc::testing {

// The lines a table gives, up to its end marker.
inline std::vector<std::string_view> lines_of(std::span<const std::string_view> table) {
  std::vector<std::string_view> lines;
  for (std::string_view e : table) {
    if (e == kEndMarker) break;
    lines.push_back(e);
  }
  return lines;
}

// The lines of a file written with CR LF after every line; a stray CR or LF
// inside a line, or a last line without its CR LF, leaves `ok` false.
inline std::vector<std::string> crlf_lines(const std::string& bytes, bool* ok) {
  std::vector<std::string> lines;
  *ok = true;
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      *ok = false;
      break;
    }
    std::string line = bytes.substr(at, end - at);
    if (line.find_first_of("\r\n") != std::string::npos) *ok = false;
    lines.push_back(std::move(line));
    at = end + 2;
  }
  return lines;
}

// The fields of a row: the keyword first, then the text after each comma,
// padding included.
inline std::vector<std::string_view> fields_of(std::string_view row) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  for (;;) {
    const size_t comma = row.find(',', at);
    fields.push_back(row.substr(
        at, comma == std::string_view::npos ? std::string_view::npos : comma - at));
    if (comma == std::string_view::npos) return fields;
    at = comma + 1;
  }
}

// A field holding one whole number after its left padding: spaces, an
// optional "-", digits. Anything else sets `ok` false and gives 0.
inline int64_t number_in(std::string_view field, bool* ok) {
  size_t at = field.find_first_not_of(' ');
  int64_t v = 0;
  if (at == std::string_view::npos) {
    *ok = false;
    return 0;
  }
  const char* first = field.data() + at;
  const char* last = field.data() + field.size();
  auto [ptr, ec] = std::from_chars(first, last, v);
  *ok = ec == std::errc() && ptr == last;
  return *ok ? v : 0;
}

// True when `field` is a right-aligned whole number exactly `width` wide.
inline bool right_aligned(std::string_view field, size_t width) {
  bool ok = false;
  number_in(field, &ok);
  return ok && field.size() == width;
}

}  // namespace scenarioc::testing
