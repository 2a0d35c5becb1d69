#include "lsp/message_stream.h"

#include <cctype>
#include <istream>
#include <vector>

namespace scenarioc::lsp {
namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
  return s.substr(a, b - a);
}

}  // namespace

Frame read_frame(std::istream& in, size_t largest_body) {
  // The header block: lines up to an empty one. A line ends with CR LF; a
  // lone LF is taken too. Empty lines before any header are skipped, so
  // that stray line ends between messages do no harm.
  std::vector<std::string> lines;
  std::string line;
  size_t header_bytes = 0;
  bool too_long = false;
  for (;;) {
    const int c = in.get();
    // The input ends: a header block cut short is no message either.
    if (c == std::char_traits<char>::eof()) return {Frame::Kind::kEnd, {}, {}};
    if (++header_bytes > kLargestHeader) too_long = true;
    if (c != '\n') {
      if (!too_long) line.push_back(static_cast<char>(c));
      continue;
    }
    const std::string t = trimmed(line);
    line.clear();
    if (t.empty()) {
      if (lines.empty() && !too_long) {
        header_bytes = 0;
        continue;
      }
      break;
    }
    if (!too_long) lines.push_back(t);
  }
  if (too_long) return {Frame::Kind::kBroken, {}, "a header block longer than 8192 bytes"};

  bool have_length = false;
  size_t length = 0;
  for (const std::string& h : lines) {
    const size_t colon = h.find(':');
    if (colon == std::string::npos) return {Frame::Kind::kBroken, {}, "a header line without ':'"};
    const std::string name = lower(trimmed(h.substr(0, colon)));
    const std::string value = trimmed(h.substr(colon + 1));
    if (name != "content-length") continue;  // Content-Type and the like
    if (value.empty() || value.size() > 12 ||
        value.find_first_not_of("0123456789") != std::string::npos)
      return {Frame::Kind::kBroken, {}, "a Content-Length that is no number: " + value.substr(0, 40)};
    length = std::stoull(value);
    have_length = true;
  }
  if (!have_length) return {Frame::Kind::kBroken, {}, "a message without Content-Length"};
  if (length > largest_body) {
    // Skipped unread, so that the next message is found after it.
    in.ignore(static_cast<std::streamsize>(length));
    return {Frame::Kind::kBroken, {}, "a message of " + std::to_string(length) +
                                          " bytes, more than the server takes"};
  }
  Frame f{Frame::Kind::kMessage, std::string(length, '\0'), {}};
  in.read(f.body.data(), static_cast<std::streamsize>(length));
  if (static_cast<size_t>(in.gcount()) != length) return {Frame::Kind::kEnd, {}, {}};
  return f;
}

bool nested_deeper_than(std::string_view body, size_t limit) {
  size_t depth = 0;
  bool in_string = false, escaped = false;
  for (const char c : body) {
    if (in_string) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

std::string framed(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace scenarioc::lsp
