#include "driver/run.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "compiler/memorizza_dati.h"
#include "driver/compiled_files.h"
#include "driver/file_io.h"
#include "driver/file_names.h"
#include "driver/report.h"
#include "finishing/route_finishing.h"
#include "sources/builtin_sources.h"
#include "sources/printed_forms.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLineName = "Valdena";
constexpr const char* kTrainNumber = "704";

bool recorded(const Scenario& s, int32_t code) {
  return std::any_of(s.failures.begin(), s.failures.end(),
                     [code](const Failure& f) { return f.code == code; });
}

// The three files are written whole to their temporaries before any takes
// its place, so a full disk or a name in the way leaves every old file as it
// was, not a new line plan beside an old timetable and route.
void write_compiled_files(const Scenario& s, const CompileJob& job) {
  const fs::path& dir = job.out_dir;
  std::optional<AtomicFile> plan;
  if (s.write_line_file != 0) {
    plan.emplace(dir / line_plan_name(s.line_name));
    encode_line_plan_at(s.track_plan, [&plan](uint64_t offset, std::string_view piece) {
      plan->write_at(offset, piece);
    });
  }
  AtomicFile timetable(dir / timetable_name(s.line_name, s.train_number));
  timetable.write(encode_timetable(s));
  AtomicFile route(dir / route_name(s.line_name, s.train_number));
  route.write(encode_route(s));
  if (plan) plan->commit();
  timetable.commit();
  route.commit();
}

}  // namespace

void errore(Window& window, const std::string& a) {
  window.message_box(" Errore n. " + a);
}

ExitStatus memorizza_percorso(Scenario& s, CompileJob& job, Window& window,
                              std::ostream& err) {
  s.line_name = job.line_name;
  s.train_number = job.train_number;
  s.write_line_file = job.j;
  s.error_code = 0;
  s.clear_scenario_table();
  memorizza_dati(s, job.line, job.train);

  if (!s.route_created) {
    report_failures(s, err);
    report_fatal(err, recorded(s, 101)
                          ? job.line.label + ": no such line file; no compiled file written"
                          : job.line.label +
                                ": the line file gives no route length; no compiled file written");
    return kExitEndedEarly;
  }

  finish_route(s);
  report_failures(s, err);
  if (const int32_t code = closing_checks(s); code != 0) {
    errore(window, std::to_string(code));
    return kExitEndedEarly;
  }

  if (job.write_outputs) write_compiled_files(s, job);
  return s.failures.empty() ? kExitSuccess : kExitRecordedFailures;
}

ExitStatus form_load(const fs::path& dir, Window& window, std::ostream& err) {
  const std::string L = kLineName;
  const std::string T = kTrainNumber;
  window.show_label("Attendere");

  dati_linea(L, dir);
  dati_treno(L, T, dir);
  dati_note(L, T, dir);
  dati_rallentamenti(L, T, dir);
  dati_scheda(L, T, dir);

  CompileJob job;
  job.line_name = L;
  job.train_number = T;
  job.line = Source{line_source_name(L), dir / line_source_name(L), {}, true};
  job.train =
      Source{train_source_name(L, T), dir / train_source_name(L, T), {}, true};
  job.out_dir = dir;
  job.j = 1;
  Scenario s;
  return memorizza_percorso(s, job, window, err);
}

}  // namespace scenarioc
