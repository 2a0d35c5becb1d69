// The authors' `compile` and `check`: the names of the scenario resolved
// from the command line, the two sources read and checked, the compile, and
// one report in the form asked for (text or JSON). A compile that records an
// error replaces no compiled file unless asked to.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "compiler/source_input.h"
#include "model/diagnostics.h"

namespace scenarioc {

// What the source rows after the row where a file's compile stopped hold,
// counted by their keys: "3 stations, 6 signals"; empty when they hold
// none of the items counted. `stopped_at` is the 1-based line of the row;
// 0 counts the whole file (one the compile never reached).
std::string items_not_compiled(std::string_view text, SourceRole role, int stopped_at);

// The line name and train number a compile of `a` uses, as the command line
// gives them (the options, else the sources' file names); nothing, with the
// usage error told on `err`, when they cannot be told.
struct GivenNames {
  std::string line, train;
};
std::optional<GivenNames> given_scenario_names(const Arguments& a, std::ostream& err);

// What a compile told, for a caller that shows it once more elsewhere (the
// page of `watch`): its diagnostics in order, and the sources' text as the
// compile read it (empty for a source it did not read).
struct CompileSeen {
  std::vector<Diagnostic> diagnostics;
  std::string line_text, train_text;
};

// `compile` (write) or `check`, with the options of their command; `seen`,
// when given, takes what the compile told besides its report.
int compile_command(const Arguments& a, bool write, IO& io, CompileSeen* seen = nullptr);

}  // namespace scenarioc
