// `compile --diagnostics=json` and `check --diagnostics=json`: the report as
// one JSON document on stderr, in place of the text form, for editors:
//   {"diagnostics": [{"severity", "code", "warning", "file", "line", "column",
//                     "end_column", "message", "notes": [...]}, ...],
//    "not_shown": [{"kind", "count"}], "summary": {"errors", "warnings",
//    "exit_status", "text"}}
// Lines and columns are 1-based and count bytes of the source line, as the
// text form does; end_column is the column just past the item at fault.
// A diagnostic of a file as a whole has line 0; one of no file has null
// file, line and columns.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "model/diagnostics.h"

namespace scenarioc {

struct JsonSummary {
  int errors = 0, warnings = 0;
  int exit_status = 0;
};

std::string diagnostics_json(const std::vector<Diagnostic>& diagnostics,
                             const std::map<std::string, int>& not_shown, bool werror,
                             const JsonSummary& summary);

// A run that ended before compiling (a refused name, a busy folder): one
// error with no place, as its one diagnostic.
std::string fatal_json(const std::string& message, int exit_status);

}  // namespace scenarioc
