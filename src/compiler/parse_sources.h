// The parser: reads the line file and then the train file into the tables.
#pragma once

#include <string_view>

#include "compiler/diagnostic_sink.h"
#include "compiler/source_input.h"
#include "model/scenario_tables.h"

namespace scenarioc {

// What the parser tells beyond the failures it records in the scenario:
// warnings, notes and the errors found by reading on, and what it compiled.
struct ParseContext {
  explicit ParseContext(DiagnosticOptions options) : sink(options) {}
  DiagnosticSink sink;
  // The texts the parser read, to name their rows afterwards.
  std::string_view texts[2];
  bool opened[2] = {false, false};
  // Rows compiled, for the closing line of a compile.
  int stations = 0, signals = 0, slow_downs = 0;
};

// `memorizza_dati`: reads the line file, then the train file.
// Needs line_name, train_number and build_line_plan set, the timetable rows
// cleared and no failure recorded. Records every failure in `s`; with a context,
// reports them there too, with the warnings and notes.
void parse_sources(Scenario& s, SourceInput& input, ParseContext* ctx = nullptr);

}  // namespace scenarioc
