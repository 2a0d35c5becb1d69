// The run of a compilation, from the sources to the three compiled files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <iosfwd>
#include <string>
#include <vector>

#include "compiler/diagnostic_sink.h"
#include "compiler/source_input.h"
#include "model/diagnostics.h"
#include "model/scenario_tables.h"
#include "platform/folder_lock.h"
#include "platform/window.h"

namespace scenarioc {

// How the process ends.
enum ExitStatus : int {
  kExitSuccess = 0,          // no failure recorded
  kExitRecordedFailures = 1, // failures recorded, files written as they stand
  kExitEndedEarly = 2,       // ended without replacing any compiled file
  // The files were put in place, but what the run had to say about them
  // (standard output or standard error) could not be written.
  kExitReportLost = 3,
};

struct CompileJob {
  std::string line_name;
  std::string train_number;
  std::filesystem::path out_dir;
  bool write_line_plan = true;  // `write_line_file`: build the track plan and its file
  bool write_outputs = true;    // false: compile and report, write nothing
};

// The output folder taken for a run that writes there: its lock held (when
// another run holds it: with `wait`, a note on `err` and a wait, without,
// FolderBusy), then whatever a stopped run left there put right: the
// earlier files of a half-replaced set back in place (with a note on `err`),
// or a journal that cannot be trusted set aside with every file left as it
// is (with a note saying why), and leftover temporaries of ended runs
// removed. Throws FileError, FolderBusy.
FolderLock take_folder(const std::filesystem::path& dir, bool wait, std::ostream& err);

// A folder taken for reading a compiled set: its lock held shared (when a
// run writes there, a note on `err` and a wait). Empty `refusal` unless a
// journal there says a stopped run left a set half replaced, which no reader
// takes. A folder that cannot be locked (one this user may not list, say) is
// read without the lock: the reader's own error, if any, says more.
std::optional<FolderLock> hold_folder_for_reading(const std::filesystem::path& dir,
                                                  std::ostream& err, std::string& refusal);

// Compiles the two sources, reports every recorded
// failure on `err`, and writes the line plan, timetable and route files, in
// this order, as one set: all three replace the earlier ones, or none does.
// The caller holds the output folder (take_folder). Throws FileError when the
// set cannot be written; every earlier compiled file is then as it was.
ExitStatus compile_and_write(SourceInput& sources, const CompileJob& job, Window& window,
                             std::ostream& err);

// The three files of `s` (the line plan only when it was built) written
// whole to their temporaries, then put in place of the earlier ones as one
// set: a full disk, a name in the way, a rename refused or a kill leaves
// every earlier file as it was, never a new line plan beside an old
// timetable and route. The caller holds the folder. Throws FileError.
void write_compiled_files(const Scenario& s, const std::filesystem::path& dir);

// The built-in run: writes the two text sources and the three
// printed forms of the built-in scenario into `dir`, compiles them there and
// deletes the sources, holding the folder (take_folder) all along, so that
// another run there neither deletes the sources under it nor mixes its files
// with these.
ExitStatus run_builtin_scenario(const std::filesystem::path& dir, Window& window,
                                std::ostream& err, bool wait = true);

// For tests: called by the built-in run once its sources are written and
// before it reads them back, with the folder held.
void set_builtin_sources_written_hook(std::function<void()> hook);

// " Errore n. " and the code in the window's message box.
void show_error_box(Window& window, int32_t code);

}  // namespace scenarioc
