#include "compiler/text_encoding.h"

#include <cstdio>
#include <cstring>

#include "compiler/item_reader.h"

namespace scenarioc {
namespace {

// The code points of Windows-1252 bytes 0x80 to 0x9F; 0 where the byte is
// unassigned. Bytes 0xA0 to 0xFF are the Latin-1 code points themselves.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<uint8_t> windows_1252_byte(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<uint8_t>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<uint8_t>(0x80 + i);
  return std::nullopt;
}

// Decodes one UTF-8 character at `i`; returns its length, or 0 when the
// bytes there are not valid UTF-8 (overlong forms and surrogates included).
size_t decode(std::string_view s, size_t i, uint32_t& cp) {
  const auto b = [&s](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t c = b(i);
  size_t n;
  uint32_t min;
  if (c < 0x80) { cp = c; return 1; }
  if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; min = 0x10000; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// How many bytes from `i` on are ASCII, eight at a time: most of a source
// is, and each check of a whole file should cost little more than reading it.
size_t ascii_run(std::string_view s, size_t i) {
  const size_t start = i;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < s.size() && static_cast<uint8_t>(s[i]) < 0x80) ++i;
  return i - start;
}

uint32_t code_point(uint8_t byte) {
  const uint32_t cp = windows_1252_code_point(byte);
  return cp != 0 || byte == 0 ? cp : byte;
}

// The line of `offset`: CR LF, a lone CR and a lone LF each end one.
int line_of(std::string_view text, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
  return line;
}

}  // namespace

void put_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

uint32_t windows_1252_code_point(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::string windows_1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) put_utf8(out, code_point(static_cast<uint8_t>(c)));
  return out;
}

std::optional<std::string> windows_1252_to_source_utf8(std::string_view bytes) {
  for (const char c : bytes) {
    const uint8_t b = static_cast<uint8_t>(c);
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] == 0) return std::nullopt;
  }
  return windows_1252_to_utf8(bytes);
}

bool is_valid_utf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<uint8_t>(text[i]) < 0x80) {
      i += ascii_run(text, i);
      continue;
    }
    uint32_t cp;
    const size_t n = decode(text, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::optional<MixedEncoding> mixed_encoding(std::string_view text, const std::string& label) {
  size_t stray = std::string_view::npos, utf8 = std::string_view::npos;
  for (size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; i < text.size();) {
    if (static_cast<uint8_t>(text[i]) < 0x80) {
      i += ascii_run(text, i);
      continue;
    }
    uint32_t cp;
    const size_t n = decode(text, i, cp);
    if (n == 0) {
      if (stray == std::string_view::npos) stray = i;
      ++i;
    } else {
      if (utf8 == std::string_view::npos) utf8 = i;
      i += n;
    }
    if (stray != std::string_view::npos && utf8 != std::string_view::npos) break;
  }
  if (stray == std::string_view::npos || utf8 == std::string_view::npos) return std::nullopt;
  return MixedEncoding{locate(text, label, stray, line_of(text, stray)),
                       locate(text, label, utf8, line_of(text, utf8))};
}

std::optional<EncodingProblem> to_windows_1252(std::string& text, const std::string& label) {
  bool beyond_ascii = false;
  for (size_t i = 0; i < text.size();) {
    if (static_cast<uint8_t>(text[i]) < 0x80) {  // the common case: plain ASCII
      i += ascii_run(text, i);
      continue;
    }
    uint32_t cp;
    const size_t n = decode(text, i, cp);
    if (n == 0) return std::nullopt;  // not UTF-8: Windows-1252 already
    beyond_ascii |= n > 1;
    i += n;
  }
  if (!beyond_ascii) return std::nullopt;

  std::string out;
  out.reserve(text.size());
  int line = 1;
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;  // the mark is dropped
  for (; i < text.size();) {
    uint32_t cp;
    const size_t n = decode(text, i, cp);
    const std::optional<uint8_t> byte = windows_1252_byte(cp);
    if (!byte) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", cp);
      return EncodingProblem{
          locate(text, label, i, line),
          std::string("the character ") + hex +
              " has no Windows-1252 form, the code page of the simulator"};
    }
    out.push_back(static_cast<char>(*byte));
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
    i += n;
  }
  text = std::move(out);
  return std::nullopt;
}

}  // namespace scenarioc
