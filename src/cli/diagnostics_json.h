// `compile --diagnostics=json` and `check --diagnostics=json`: the report as
// one JSON document on stderr, in place of the text form, for editors:
//   {"diagnostics": [{"severity", "code", "warning", "file", "line", "column",
//                     "end_column", "message", "notes": [...]}, ...],
//    "not_shown": [{"kind", "count"}], "summary": {"errors", "warnings",
//    "exit_status", "text", "written", "not_compiled": [...]}}
// Lines and columns are 1-based and count bytes of the source line, as the
// text form does; end_column is the column just past the item at fault.
// A diagnostic of a file as a whole has line 0; one of no file has null
// file, line and columns.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/diagnostics.h"

namespace scenarioc {

struct JsonSummary {
  int errors = 0, warnings = 0;
  int exit_status = 0;
  // `compile` only: whether the compiled files were replaced ("written").
  std::optional<bool> written = std::nullopt;
  // Said after the counts in "text": "no compiled file written, ...".
  std::string outcome = {};
  // What each file held past the row where its compile stopped: "the rest
  // of the train file was not compiled: 3 stations" ("not_compiled").
  std::vector<std::string> not_compiled = {};
};

// The closing summary's first line: "2 errors, 1 warning", then the
// outcome after a semicolon; empty when there is nothing to sum up.
std::string summary_text(int errors, int warnings, const std::string& outcome);

std::string diagnostics_json(const std::vector<Diagnostic>& diagnostics,
                             const std::map<std::string, int>& not_shown, bool werror,
                             const JsonSummary& summary);

// A run that ended before compiling (a refused name, a busy folder): one
// error with no place, as its one diagnostic.
std::string fatal_json(const std::string& message, int exit_status);

}  // namespace scenarioc
