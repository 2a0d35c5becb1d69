#include "lsp/text_lines.h"

#include <cctype>

namespace scenarioc::lsp {

TextLines::TextLines(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      starts_.push_back(i + 1);
    } else if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) {
      starts_.push_back(i + 1);  // a lone CR ends a line for the compiler too
    }
  }
}

std::string_view TextLines::line(size_t n) const {
  if (n >= starts_.size()) return {};
  size_t end = n + 1 < starts_.size() ? starts_[n + 1] : text_.size();
  size_t begin = starts_[n];
  if (end > begin && text_[end - 1] == '\n') --end;
  if (end > begin && text_[end - 1] == '\r') --end;
  return text_.substr(begin, end - begin);
}

CharSize char_size(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n <= 1 || i + n > s.size()) return {1, 1};
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return {1, 1};
  return {n, n == 4 ? size_t{2} : size_t{1}};
}

namespace {

// Where a walk over a line's characters stopped: its byte and its count of
// UTF-16 units.
struct LinePlace {
  size_t byte = 0;
  size_t units = 0;
};

// Walks `l` a character at a time while `go_on(place)` holds.
template <class GoOn>
LinePlace walk(std::string_view l, GoOn go_on) {
  LinePlace at;
  while (at.byte < l.size() && go_on(at)) {
    const CharSize c = char_size(l, at.byte);
    at.byte += c.bytes;
    at.units += c.units;
  }
  return at;
}

}  // namespace

size_t TextLines::byte_of(size_t n, size_t utf16) const {
  return walk(line(n), [&](const LinePlace& at) { return at.units < utf16; }).byte;
}

size_t TextLines::utf16_of(size_t n, size_t byte) const {
  return walk(line(n), [&](const LinePlace& at) { return at.byte < byte; }).units;
}

size_t TextLines::utf16_of_chars(size_t n, size_t chars) const {
  size_t walked = 0;
  return walk(line(n), [&](const LinePlace&) { return walked++ < chars; }).units;
}

namespace {

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> path_of_uri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  uri.remove_prefix(kScheme.size());
  // file://host/path: only the local host names a file here.
  if (uri.empty() || uri.front() != '/') {
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos || uri.substr(0, slash) != "localhost") return std::nullopt;
    uri.remove_prefix(slash);
  }
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
      const char c = static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
      if (c == '\0') return std::nullopt;  // no file name holds a NUL
      path.push_back(c);
      i += 2;
    } else if (uri[i] == '?' || uri[i] == '#') {
      break;
    } else {
      path.push_back(uri[i]);
    }
  }
  // file:///C:/scenari/L_linea.txt names C:/scenari/L_linea.txt, a path
  // of Windows (a POSIX path of that shape would lose its first slash).
  if (path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) &&
      path[2] == ':')
    path.erase(0, 1);
  return path;
}

std::string uri_of_path(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  // A Windows path: its drive after a slash, its separators as slashes.
  const bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
  if (drive) uri += '/';
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i] == '\\' && drive ? '/' : path[i]);
    const char ch = static_cast<char>(c);
    if (drive && i == 1) {
      uri.push_back(':');
      continue;
    }
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri.push_back(ch);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

}  // namespace scenarioc::lsp
