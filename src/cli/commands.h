// The command line of scenarioc.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace scenarioc {

// Every command with its arguments, options and help; the first, without a
// name, is the run without a command. The help pages, the manual page and the
// shell completion are all made from it.
const std::vector<CommandSpec>& command_table();
// The descriptions of the same commands, for the manual page and the
// completions.
std::vector<CommandDescription> command_descriptions();

// Runs the command given by `args` (without the program name) and returns
// the exit status of the process.
int run_command_line(const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err);

}  // namespace scenarioc
