// Showing a source's bytes on a terminal. Nothing of a source reaches the
// terminal raw: its bytes are Windows-1252 (the simulator's code page, to
// which the sources are converted), shown as UTF-8; control bytes and the
// five bytes Windows-1252 leaves unassigned are shown escaped, as \x1B.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scenarioc {

// A byte of a Windows-1252 text that is a control character: C0 (the tab
// aside, a blank of the sources), DEL, and the five bytes the code page
// leaves unassigned, which read as C1 controls. shown_source() escapes them.
bool is_control_byte(uint8_t b);

// Source bytes as a terminal may show them, cut after `max_bytes` bytes of
// the source with "..." when longer.
std::string shown_source(std::string_view bytes, size_t max_bytes = 40);

// A source line (or a window of it) as shown under a diagnostic, and in
// `caret` the line with a ^ under the byte at `caret_at` (tabs kept, so
// that the caret lines up in a terminal).
std::string shown_source_line(std::string_view bytes, size_t caret_at, std::string& caret);

// Text that should already be UTF-8 (a message, a file name as the user
// gave it): control bytes other than tab and invalid UTF-8 are escaped.
std::string shown_utf8(std::string_view text);

}  // namespace scenarioc
