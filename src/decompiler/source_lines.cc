#include "decompiler/source_lines.h"

#include <cstdarg>
#include <cstdio>

namespace scenarioc {
namespace {

// A comment is read as one item holding a dash, which the compiler skips:
// a comma would cut it in two, and the second half would be read as a key.
std::string comment(const std::string& words) {
  std::string out = "-- ";
  for (char c : words) out.push_back(c == ',' ? ';' : c);
  return out;
}

}  // namespace

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out(static_cast<size_t>(n < 0 ? 0 : n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, again);
  va_end(again);
  out.pop_back();
  return out;
}

std::string render_source(const std::string& heading, const std::vector<SourceSection>& sections) {
  std::string out;
  auto line = [&out](const std::string& text) {
    out += text;
    out += "\r\n";
  };
  if (!heading.empty()) line(comment(heading));
  for (const SourceSection& s : sections) {
    line(s.header);
    for (const SourceLine& l : s.lines) {
      if (!l.why.empty()) line(comment(l.why));
      line(l.text);
    }
  }
  return out;
}

}  // namespace scenarioc
