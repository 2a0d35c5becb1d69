// The error report: every failure recorded during a compilation, in the
// order recorded, as compilers write them:
//   FILE:LINE:COL: error CODE: MESSAGE
//   <the source line, or a window of it>
//   <a caret under the item at fault>
// Failures without a source line name the position in metres and the cell.
// The authors' commands add warnings ("warning: MESSAGE [-WNAME]"), notes
// under either ("note: MESSAGE", with a place of their own) and a closing
// summary. Nothing of a source reaches the terminal raw.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "model/scenario_tables.h"
#include "platform/file_io.h"
#include "platform/folder_lock.h"

namespace scenarioc {

// A code repeated more often than this is summed up in one line.
constexpr int kRepeatsShown = 20;

std::string format_failure(const Failure& f);

// One diagnostic with its notes; with `werror` a warning is shown as an error.
std::string format_diagnostic(const Diagnostic& d, bool werror = false);

void report_failures(const Scenario& s, std::ostream& err);

// The authors' report: the diagnostics in order, then a line for each kind
// of which some were counted but not kept.
void report_diagnostics(const std::vector<Diagnostic>& diagnostics,
                        const std::map<std::string, int>& not_shown, bool werror,
                        std::ostream& err);

// "2 errors, 3 warnings"; empty when there is nothing to sum up.
std::string summary_line(int errors, int warnings);

// The one-line form of a fatal end: "scenarioc: error: <message>".
void report_fatal(std::ostream& err, const std::string& message);

// The fatal ends the commands share, each reported in one line; they return
// the exit status of a run that replaced nothing (2).
// A command line that cannot be acted on, with where its usage is told.
int usage_error(std::ostream& err, const std::string& message);
// A compiled file or source that cannot be written.
int file_error(std::ostream& err, const FileError& e);
// An output folder another run writes in, with --no-wait.
int busy_error(std::ostream& err, const FolderBusy& e);

}  // namespace scenarioc
