// The one compile pipeline: the two sources read into the scenario tables,
// the route finished, the closing checks run. The built-in run, the authors'
// commands, the fuzz targets and the benchmarks all compile through here;
// what becomes of the result (reports, files) is theirs to decide.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/source_input.h"
#include "model/scenario_tables.h"

namespace scenarioc {

struct CompileOptions {
  std::string line_name;
  std::string train_number;
  // `write_line_file`: build the track plan, whose file is then written.
  bool build_line_plan = true;
};

struct CompileResult {
  Scenario scenario;
  // 1250 or 1251 when a closing check found a marker field already used
  // (then no compiled file may be written); 0 otherwise.
  int32_t closing_failure = 0;

  // Whether the line file gave a route at all; without one nothing is
  // finished and nothing may be written.
  bool has_route() const { return scenario.route_created; }
  // Whether the three compiled files may be written from `scenario`.
  bool writable() const { return has_route() && closing_failure == 0; }
};

CompileResult compile(SourceInput& sources, const CompileOptions& options);

// Compiles two texts held in memory, named after the scenario's source files.
CompileResult compile(std::string line_text, std::string train_text,
                      const CompileOptions& options);

}  // namespace scenarioc
