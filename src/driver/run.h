// The run of a compilation, from the sources to the three compiled files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

#include "compiler/source.h"
#include "driver/scenario_tables.h"
#include "driver/window.h"

namespace scenarioc {

// How the process ends.
enum ExitStatus : int {
  kExitSuccess = 0,          // no failure recorded
  kExitRecordedFailures = 1, // failures recorded, files written as they stand
  kExitEndedEarly = 2,       // ended before any compiled file was written
};

struct CompileJob {
  std::string line_name;
  std::string train_number;
  Source line;
  Source train;
  std::filesystem::path out_dir;
  int32_t j = 1;              // non-zero: build the track plan and its file
  bool write_outputs = true;  // false: compile and report, write nothing
};

// Compiles, finishes the route and writes the line plan, timetable and route
// files, in this order. Reports every recorded failure on `err`. Throws
// FileError when a compiled file cannot be written.
ExitStatus memorizza_percorso(Scenario& s, CompileJob& job, Window& window,
                              std::ostream& err);

// The built-in run: writes the two text sources and the three printed forms
// of the built-in scenario into `dir`, compiles them there and deletes them.
ExitStatus form_load(const std::filesystem::path& dir, Window& window,
                     std::ostream& err);

// Shows " Errore n. " and the code in the window's message box.
void errore(Window& window, const std::string& a);

}  // namespace scenarioc
