// A source an author hands to the compiler, checked before anything is
// compiled or written: a file that is empty, is no text (NUL bytes, UTF-16,
// mostly control bytes), or a train file without its header is refused
// whole. A source that passes is converted to the simulator's code page.
#pragma once

#include <string>
#include <vector>

#include "compiler/diagnostic_sink.h"
#include "compiler/source_input.h"
#include "model/diagnostics.h"

namespace scenarioc {

struct PreparedSource {
  bool refused = false;
  // The refusal (an error), or the warnings on the file's bytes.
  std::vector<Diagnostic> diagnostics;
};

// Checks `text`, the whole file named `label`, and converts it in place
// from UTF-8 to Windows-1252 where it is UTF-8 beyond ASCII.
PreparedSource prepare_source(std::string& text, SourceRole role, const std::string& label,
                              const DiagnosticOptions& options);

// A refusal of the file as a whole, before its bytes were looked at (a file
// that is missing, or a directory): "FILE: error: REASON".
Diagnostic refusal(const std::string& label, std::string reason);

}  // namespace scenarioc
