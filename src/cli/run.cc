#include "cli/run.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/builtin_files.h"
#include "cli/file_sources.h"
#include "cli/report.h"
#include "compiler/compile.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "model/file_names.h"
#include "platform/file_io.h"
#include "platform/file_set.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLineName = "Valdena";
constexpr const char* kTrainNumber = "704";

bool recorded(const Scenario& s, int32_t code) {
  return std::any_of(s.failures.begin(), s.failures.end(),
                     [code](const Failure& f) { return f.code == code; });
}

}  // namespace

void write_compiled_files(const Scenario& s, const fs::path& dir) {
  FileSet set(dir);
  if (s.build_line_plan) {
    AtomicFile& plan = set.add(line_plan_name(s.line_name));
    encode_line_plan_at(s.track_plan, [&plan](uint64_t offset, std::string_view piece) {
      plan.write_at(offset, piece);
    });
  }
  set.add(timetable_name(s.line_name, s.train_number)).write(encode_timetable(s));
  set.add(route_name(s.line_name, s.train_number)).write(encode_route(s));
  set.install();
}

namespace {

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

}  // namespace

FolderLock take_folder(const fs::path& dir, bool wait, std::ostream& err) {
  FolderLock lock(dir, wait, [&] {
    err << "scenarioc: another run is writing in " << dir.string()
        << "; waiting for it to end\n"
        << std::flush;
  });
  const MendReport mended = mend_folder(dir);
  if (!mended.put_back.empty())
    err << "scenarioc: note: a run that stopped in " << dir.string()
        << " had replaced only part of " << joined(mended.put_back)
        << "; the earlier files are back in place\n"
        << std::flush;
  if (!mended.set_aside_as.empty())
    err << "scenarioc: note: " << (dir / kJournalName).string() << " was not acted on: "
        << mended.set_aside_because << "; every file is left as it is, and the journal is set "
        << "aside as " << mended.set_aside_as << '\n'
        << std::flush;
  return lock;
}

std::optional<FolderLock> hold_folder_for_reading(const fs::path& dir, std::ostream& err,
                                                  std::string& refusal) {
  const fs::path where = dir.empty() ? fs::path(".") : dir;
  std::optional<FolderLock> held;
  try {
    held.emplace(where, true,
                 [&] {
                   err << "scenarioc: another run is writing in " << where.string()
                       << "; waiting for it to end\n"
                       << std::flush;
                 },
                 FolderLock::Access::kRead);
  } catch (const FileError&) {
    return std::nullopt;
  }
  refusal.clear();
  bool journal = false;
  try {
    journal = holds_journal(where);
  } catch (const FileError&) {
  }
  if (journal)
    refusal = where.string() + " holds a set that a stopped run replaced only in part (" +
              (where / kJournalName).string() +
              " says so); nothing read: the next run that writes there puts it right";
  return held;
}

void show_error_box(Window& window, int32_t code) {
  window.message_box(" Errore n. " + std::to_string(code));
}

ExitStatus compile_and_write(SourceInput& sources, const CompileJob& job, Window& window,
                             std::ostream& err) {
  CompileResult result =
      compile(sources, {job.line_name, job.train_number, job.write_line_plan});
  const Scenario& s = result.scenario;
  report_failures(s, err);
  if (!result.has_route()) {
    const std::string& line = sources.label(SourceRole::kLine);
    report_fatal(err, recorded(s, 101)
                          ? line + ": no such line file; no compiled file written"
                          : line + ": the line file gives no route length; no compiled file written");
    return kExitEndedEarly;
  }
  if (result.closing_failure != 0) {
    show_error_box(window, result.closing_failure);
    return kExitEndedEarly;
  }
  if (job.write_outputs) write_compiled_files(s, job.out_dir);
  return s.failures.empty() ? kExitSuccess : kExitRecordedFailures;
}

namespace {

std::function<void()>& sources_written_hook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void set_builtin_sources_written_hook(std::function<void()> hook) {
  sources_written_hook() = std::move(hook);
}

ExitStatus run_builtin_scenario(const fs::path& dir, Window& window, std::ostream& err,
                                bool wait) {
  const std::string L = kLineName;
  const std::string T = kTrainNumber;
  window.show_label("Attendere");
  const FolderLock held = take_folder(dir, wait, err);
  write_builtin_text_files(L, T, dir);
  if (sources_written_hook()) sources_written_hook()();

  FileSources sources({line_source_name(L), dir / line_source_name(L)},
                      {train_source_name(L, T), dir / train_source_name(L, T)},
                      /*consume=*/true);
  CompileJob job{L, T, dir, /*write_line_plan=*/true, /*write_outputs=*/true};
  return compile_and_write(sources, job, window, err);
}

}  // namespace scenarioc
