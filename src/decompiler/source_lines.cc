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

// printf into a std::string, over arguments already started.
std::string vformat(const char* fmt, va_list args) {
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, args);
  std::string out(static_cast<size_t>(n < 0 ? 0 : n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, again);
  va_end(again);
  out.pop_back();
  return out;
}

}  // namespace

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = vformat(fmt, args);
  va_end(args);
  return out;
}

std::string key_of(Key k) { return std::string(keyword(k).key); }

std::string keyed(Key k, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string values = vformat(fmt, args);
  va_end(args);
  return key_of(k) + values;
}

const KeyVariant* find_variant(const Keyword& k, VariantRole role, int value) {
  for (const KeyVariant& v : k.variants)
    if (v.role == role && (v.value == value || role == VariantRole::kLeft ||
                           role == VariantRole::kRight))
      return &v;
  return nullptr;
}

std::string swap_variant(std::string key, const Keyword& k,
                         std::initializer_list<VariantRole> roles, const KeyVariant* to) {
  for (const VariantRole role : roles) {
    const KeyVariant* held = variant_held(key, k, role);
    if (!held) continue;
    size_t at = 0;
    while (at + held->text.size() <= key.size() &&
           !holds_variant(std::string_view(key).substr(at, held->text.size()), *held))
      ++at;
    size_t n = held->text.size();
    if (!to && at + n < key.size() && key[at + n] == ' ') ++n;
    key.replace(at, n, to ? std::string(to->text) : std::string());
    return key;
  }
  return key;
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
