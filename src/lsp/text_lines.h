// A document as the editor holds it: UTF-8 text in lines, and the
// positions of the protocol (a line and a count of UTF-16 units in it)
// turned into the byte offsets the compiler's columns are counted in.
// A partner file read from the disk may be Windows-1252: a byte that is
// no UTF-8 counts as one character, as the editor shows it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scenarioc::lsp {

class TextLines {
 public:
  explicit TextLines(std::string_view text);
  size_t count() const { return starts_.size(); }
  // The line without its line end; empty past the last line.
  std::string_view line(size_t n) const;
  // The byte offset of a protocol position in line `n`, clamped to the line.
  size_t byte_of(size_t n, size_t utf16) const;
  // The protocol's count of UTF-16 units before byte `byte` of line `n`.
  size_t utf16_of(size_t n, size_t byte) const;
  // The same, from a count of characters (the compiler's column counts a
  // character of the converted text as one byte).
  size_t utf16_of_chars(size_t n, size_t chars) const;
  // The byte offset of the start of line `n` in the whole text.
  size_t line_start(size_t n) const { return n < starts_.size() ? starts_[n] : text_.size(); }

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

// The length in bytes of the UTF-8 sequence starting at s[i], and its
// UTF-16 units; a byte that starts no valid sequence counts as 1 and 1.
struct CharSize {
  size_t bytes;
  size_t units;
};
CharSize char_size(std::string_view s, size_t i);

// file:///home/a/Valdena_linea.txt <-> /home/a/Valdena_linea.txt. Only
// file URIs name files; percent escapes are decoded.
std::optional<std::string> path_of_uri(std::string_view uri);
std::string uri_of_path(std::string_view path);

}  // namespace scenarioc::lsp
