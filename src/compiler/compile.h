// The one compile pipeline: the two sources read into the scenario tables,
// the route finished, the closing checks run. The built-in run, the authors'
// commands, the fuzz targets and the benchmarks all compile through here;
// what becomes of the result (reports, files) is theirs to decide.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compiler/diagnostic_sink.h"
#include "compiler/source_input.h"
#include "model/scenario_tables.h"

namespace scenarioc {

struct CompileOptions {
  std::string line_name;
  std::string train_number;
  // `write_line_file`: build the track plan, whose file is then written.
  bool build_line_plan = true;
  // The report for an author: warnings, notes, reading on. Left out (the
  // built-in run), the compile records its failures and nothing more.
  bool report = false;
  DiagnosticOptions diagnostics = {};
};

// What a compile for an author has to tell: every error and warning with
// its notes, in the order found, the first DiagnosticSink::kShownPerKind
// of each kind whole.
struct CompileReport {
  std::vector<Diagnostic> diagnostics;
  int errors = 0;    // counted, shown or not
  int warnings = 0;  // counted, shown or not
  std::map<std::string, int> not_shown;  // per kind ("error 12", "unknown-key")
  // What was compiled, for the closing line.
  int stations = 0, signals = 0, slow_downs = 0;
};

struct CompileResult {
  Scenario scenario;
  // 1250 or 1251 when a closing check found a marker field already used
  // (then no compiled file may be written); 0 otherwise.
  int32_t closing_failure = 0;
  // With CompileOptions::report: what to tell the author.
  CompileReport report;

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

// The options of the authors' commands: the report, every warning, reading on.
CompileOptions author_options(std::string line_name, std::string train_number,
                              bool build_line_plan = true);

}  // namespace scenarioc
