// The simulator reads its texts in Windows-1252. A source written in UTF-8
// with characters beyond ASCII is converted; a source that is not valid
// UTF-8 is taken as Windows-1252 bytes already.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/scenario_tables.h"

namespace scenarioc {

struct EncodingProblem {
  SourceLocation where;  // the character with no Windows-1252 form
  std::string message;
};

// Converts `text` in place when it is valid UTF-8 with characters beyond
// ASCII. Returns the first character that has no Windows-1252 form.
std::optional<EncodingProblem> to_windows_1252(std::string& text, const std::string& label);

// Appends the UTF-8 form of a character up to U+FFFF (the code page and
// the replacement character reach no further).
void put_utf8(std::string& out, uint32_t cp);

// The character of a Windows-1252 byte; 0 for the five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D).
uint32_t windows_1252_code_point(uint8_t byte);

// The UTF-8 form of Windows-1252 bytes, for showing a compiled file's texts.
// The five bytes the code page leaves unassigned become the control
// characters of the same number (0x81 is U+0081), so no byte is lost.
std::string windows_1252_to_utf8(std::string_view bytes);
// The same for a text going back into a source: none when a byte has no
// character (0x81, 0x8D, 0x8F, 0x90, 0x9D), which a source in UTF-8 could
// not give back.
std::optional<std::string> windows_1252_to_source_utf8(std::string_view bytes);

bool is_valid_utf8(std::string_view text);

// A file that is no valid UTF-8 as a whole though it holds UTF-8 characters
// beyond ASCII: it is read as Windows-1252, where each of them becomes two
// or three characters. The first byte that is not UTF-8, and the first
// UTF-8 character.
struct MixedEncoding {
  SourceLocation stray;
  SourceLocation utf8;
};
std::optional<MixedEncoding> mixed_encoding(std::string_view text, const std::string& label);

}  // namespace scenarioc
