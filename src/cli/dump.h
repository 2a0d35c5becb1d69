// `scenarioc dump FILE [--json] [--all]`: what a compiled file holds, in
// words or as JSON. The kind of file follows from its name and size: L_T.sim
// is a timetable, L_linea.dat a line plan, any other .dat a route.
#pragma once

#include <iosfwd>
#include <string>

namespace scenarioc {

// Dumps `file` to `out`. Without `all` a route shows the cells that hold an
// occupant and a line plan a point every 1000 m; with it, every cell and
// every metre. Returns 0, or 2 after one line on `err` for a file that is
// missing, cut short or not a compiled file.
int dump_command(const std::string& file, bool json, bool all, std::ostream& out,
                 std::ostream& err);

}  // namespace scenarioc
