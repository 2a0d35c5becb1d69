// The authors' `compile` and `check`: the names of the scenario resolved
// from the command line, the two sources read and checked, the compile, and
// one report in the form asked for (text or JSON). A compile that records an
// error replaces no compiled file unless asked to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "compiler/source_input.h"

namespace scenarioc {

// What the source rows after the row where a file's compile stopped hold,
// counted by their keys: "3 stations, 6 signals"; empty when they hold
// none of the items counted. `stopped_at` is the 1-based line of the row;
// 0 counts the whole file (one the compile never reached).
std::string items_not_compiled(std::string_view text, SourceRole role, int stopped_at);

// `compile` (write) or `check`, with the options of their command.
int compile_command(const Arguments& a, bool write, IO& io);

}  // namespace scenarioc
