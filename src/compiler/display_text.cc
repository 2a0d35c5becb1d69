#include "compiler/display_text.h"

#include <cstdint>
#include <cstdio>

#include "compiler/text_encoding.h"

namespace scenarioc {
namespace {

void escape(std::string& out, uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", b);
  out += buf;
}

// Appends one source byte as shown; returns the columns it takes (a tab: 0,
// the caller keeps it as a tab).
int show_byte(std::string& out, uint8_t b) {
  if (b == '\t') {
    out += '\t';
    return 0;
  }
  if (b < 0x20 || b == 0x7F) {
    escape(out, b);
    return 4;
  }
  if (b < 0x80) {
    out += static_cast<char>(b);
    return 1;
  }
  const uint32_t cp = windows_1252_code_point(b);
  if (cp == 0) {
    escape(out, b);
    return 4;
  }
  put_utf8(out, cp);
  return 1;
}

}  // namespace

bool is_control_byte(uint8_t b) {
  if (b == '\t') return false;
  return b < 0x20 || b == 0x7F || (b >= 0x80 && windows_1252_code_point(b) == 0);
}

std::string shown_source(std::string_view bytes, size_t max_bytes) {
  std::string out;
  const size_t n = bytes.size() < max_bytes ? bytes.size() : max_bytes;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b == '\t') escape(out, b);  // a tab inside quotes would hide
    else show_byte(out, b);
  }
  if (bytes.size() > max_bytes) out += "...";
  return out;
}

std::string shown_source_line(std::string_view bytes, size_t caret_at, std::string& caret) {
  std::string out;
  caret.clear();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int width = show_byte(out, static_cast<uint8_t>(bytes[i]));
    if (i < caret_at) {
      if (width == 0) caret += '\t';
      else caret.append(static_cast<size_t>(width), ' ');
    }
  }
  if (caret_at > bytes.size()) caret.append(caret_at - bytes.size(), ' ');
  caret += '^';
  return out;
}

std::string shown_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto byte = [&text](size_t k) { return static_cast<uint8_t>(text[k]); };
  for (size_t i = 0; i < text.size();) {
    const uint8_t c = byte(i);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) escape(out, c);
      else out += static_cast<char>(c);
      ++i;
      continue;
    }
    size_t n = 0;
    uint32_t cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; min = 0x10000; }
    bool ok = n > 0 && i + n <= text.size();
    for (size_t k = 1; ok && k < n; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) ok = false;
      else cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    // C1 controls (U+0080 to U+009F) are as unsafe as C0 on a terminal.
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ||
               (cp >= 0x80 && cp < 0xA0)))
      ok = false;
    if (!ok) {
      escape(out, c);
      ++i;
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace scenarioc
