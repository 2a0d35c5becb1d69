#include "cli/decompile.h"

#include <algorithm>
#include <ostream>

#include "cli/report.h"
#include "cli/run.h"
#include "cli/scenario_folder.h"
#include "compiler/display_text.h"
#include "decompiler/decompile.h"
#include "model/file_names.h"
#include "model/scenario_names.h"
#include "platform/file_io.h"
#include "platform/file_set.h"
#include "platform/folder_lock.h"

namespace scenarioc {
namespace fs = std::filesystem;

int decompile_command(const DecompileOptions& o, std::ostream& out, std::ostream& err) {
  // The three files are read as one set: no writer changes them meanwhile.
  // The hold ends before the sources are written, so that a decompile into
  // another folder never waits on one folder while holding another.
  std::string refusal;
  std::optional<FolderLock> reading_hold = hold_folder_for_reading(o.dir, err, refusal);
  if (!refusal.empty()) {
    report_fatal(err, refusal);
    return kExitEndedEarly;
  }
  std::string error;
  const std::optional<ScenarioNames> names =
      find_compiled_scenario(o.dir, o.line_name, o.train_number, error);
  if (!names) {
    report_fatal(err, error);
    return kExitEndedEarly;
  }
  for (const std::string* name : {&names->line, &names->train})
    if (const std::string why = name_problem(*name); !why.empty()) {
      report_fatal(err, "'" + *name + "' cannot be part of a file name: " + why);
      return kExitEndedEarly;
    }
  if (const std::string why = names_collide(names->line, names->train); !why.empty()) {
    report_fatal(err, "train number '" + names->train + "': " + why);
    return kExitEndedEarly;
  }

  const fs::path route_path = o.dir / route_name(names->line, names->train);
  const fs::path timetable_path = o.dir / timetable_name(names->line, names->train);
  const fs::path plan_path = o.dir / line_plan_name(names->line);
  const fs::path line_out = o.out_dir / line_source_name(names->line);
  const fs::path train_out = o.out_dir / train_source_name(names->line, names->train);
  if (!o.force)
    for (const fs::path& p : {line_out, train_out}) {
      std::error_code ec;
      if (fs::exists(p, ec)) {
        report_fatal(err, p.string() + " is already there; give --force to replace it");
        return kExitEndedEarly;
      }
    }

  DecompiledSources sources;
  const fs::path* reading = &route_path;
  try {
    CompiledScenario files;
    files.route = decode_route(read_compiled_file(route_path, kLargestRouteFile, "route"));
    reading = &timetable_path;
    files.timetable = decode_timetable(read_compiled_file(timetable_path, kLargestTimetableFile, "timetable"));
    std::error_code ec;
    if (fs::exists(plan_path, ec)) {
      reading = &plan_path;
      files.plan = decode_line_plan(read_compiled_file(plan_path, kLargestLinePlanFile, "line plan"));
    }
    reading = nullptr;
    sources = decompile(files, names->line, names->train);
  } catch (const FileError& e) {
    report_fatal(err, "cannot read " + e.path().string() + ": " + e.reason());
    return kExitEndedEarly;
  } catch (const FormatError& e) {
    report_fatal(err, reading->string() + " is damaged: " + e.what());
    return kExitEndedEarly;
  } catch (const NotCompiledFiles& e) {
    report_fatal(err, "these files are not ones the compiler writes: " + std::string(e.what()));
    return kExitEndedEarly;
  }

  reading_hold.reset();

  // The pair is written as one set, holding the output folder as every
  // writer does: a run there never reads one source of this pair beside one
  // of another, and a rename refused halfway leaves the earlier pair whole.
  try {
    std::error_code made;
    fs::create_directories(o.out_dir, made);
    if (made) throw FileError(o.out_dir, made.message());
    const FolderLock held = take_folder(o.out_dir, /*wait=*/true, err);
    if (!o.force)
      for (const fs::path& p : {line_out, train_out}) {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(p, ec))) {
          report_fatal(err, p.string() + " is already there; give --force to replace it");
          return kExitEndedEarly;
        }
      }
    FileSet set(o.out_dir);
    set.add(line_out.filename().string()).write(sources.line_text);
    set.add(train_out.filename().string()).write(sources.train_text);
    set.install();
  } catch (const FileError& e) {
    report_fatal(err, "cannot write " + e.path().string() + ": " + e.reason());
    return kExitEndedEarly;
  }
  for (const std::string& note : sources.notes) err << "scenarioc: note: " << shown_utf8(note) << '\n';
  out << "wrote " << shown_utf8(line_out.string()) << " and " << shown_utf8(train_out.string())
      << '\n';
  if (sources.mismatches.empty()) {
    out << "they compile back to the same bytes\n";
    return kExitSuccess;
  }
  for (const Mismatch& m : sources.mismatches)
    err << "scenarioc: error: " << shown_utf8(m.file) << ", byte " << m.offset << " (" << m.where
        << "): the sources give another byte\n";
  err.flush();
  return kExitRecordedFailures;
}

}  // namespace scenarioc
