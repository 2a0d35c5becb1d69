// Sources back from the compiled files: a line file and a train file that
// compile to the same route, timetable and line plan, byte for byte.
//
// The files keep what the compiler stored, not the lines it read: sums such
// as a signal's s x 10 + d survive, their parts do not; curves survive only
// in the line plan; the order of the lines survives only where one item
// overwrote another. The sources written here give the same bytes and read
// as an author writes them; a line that is there only to reproduce a byte
// is preceded by a dashed comment saying why. Every result is proven by
// compiling the sources again in memory and comparing the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"

namespace scenarioc {

// The compiled scenario as read from its files.
struct CompiledScenario {
  std::vector<RouteCell> route;
  Timetable timetable{};
  std::optional<DecodedPlan> plan;  // without it the sources carry no curves
};

// Files that no source can produce: damaged, or made by hand.
class NotCompiledFiles : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A byte of the compiled files that the sources do not give back.
struct Mismatch {
  std::string file;     // the compiled file's name
  uint64_t offset = 0;  // of the first differing byte
  std::string where;    // "cell 412, repeat_code: 41 here, 42 from the sources"
};

struct DecompiledSources {
  std::string line_text;   // L_linea.txt
  std::string train_text;  // L_T-.txt
  std::vector<std::string> notes;
  // Empty when the sources compile back to the same bytes; otherwise the
  // first differences, at most one for each file.
  std::vector<Mismatch> mismatches;
};

// Throws NotCompiledFiles.
DecompiledSources decompile(const CompiledScenario& files, const std::string& line_name,
                            const std::string& train_number);

}  // namespace scenarioc
