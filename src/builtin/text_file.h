// Writing a text file from a table of lines closed by the end marker: one
// line a table entry, CR LF after each, one byte a character, no byte-order
// mark. Serves the two text sources and the three printed forms.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

inline constexpr std::string_view kEndMarker = "riferimento fine del file";

// The bytes of the file: the entries before the first one equal to the end
// marker, each followed by CR LF. A table must hold the end marker.
std::string text_file_bytes(std::span<const std::string_view> table);

}  // namespace scenarioc
