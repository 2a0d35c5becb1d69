// The simulator reads its texts in Windows-1252. A source written in UTF-8
// with characters beyond ASCII is converted; a source that is not valid
// UTF-8 is taken as Windows-1252 bytes already.
#pragma once

#include <optional>
#include <string>

#include "model/scenario_tables.h"

namespace scenarioc {

struct EncodingProblem {
  SourceLocation where;  // the character with no Windows-1252 form
  std::string message;
};

// Converts `text` in place when it is valid UTF-8 with characters beyond
// ASCII. Returns the first character that has no Windows-1252 form.
std::optional<EncodingProblem> to_windows_1252(std::string& text, const std::string& label);

// The other way: Windows-1252 bytes as UTF-8, for texts going back into a
// source. None when a byte has no character (0x81, 0x8D, 0x8F, 0x90, 0x9D).
std::optional<std::string> windows_1252_to_utf8(const std::string& bytes);

}  // namespace scenarioc
