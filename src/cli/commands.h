// The command line of scenarioc.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace scenarioc {

// Runs the command given by `args` (without the program name) and returns
// the exit status of the process.
int run_command_line(const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err);

}  // namespace scenarioc
