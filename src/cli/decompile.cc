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
  std::string error;
  std::optional<FolderScenario> folder =
      read_folder_scenario(o.dir, o.line_name, o.train_number, err, error);
  if (!folder) {
    report_fatal(err, error);
    return kExitEndedEarly;
  }
  const ScenarioNames* names = &folder->names;
  // The sources are named after the scenario.
  for (const std::string* name : {&names->line, &names->train})
    if (const std::string why = name_problem(*name); !why.empty()) {
      report_fatal(err, "'" + *name + "' cannot be part of a file name: " + why);
      return kExitEndedEarly;
    }
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
  try {
    sources = decompile(folder->files, names->line, names->train);
  } catch (const NotCompiledFiles& e) {
    report_fatal(err, "these files are not ones the compiler writes: " + std::string(e.what()));
    return kExitEndedEarly;
  }

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
