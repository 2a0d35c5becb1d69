#include "cli/author_compile.h"

#include <filesystem>
#include <iterator>
#include <map>
#include <span>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/diagnostics_json.h"
#include "cli/file_sources.h"
#include "cli/report.h"
#include "cli/run.h"
#include "compiler/compile.h"
#include "compiler/display_text.h"
#include "compiler/keywords.h"
#include "compiler/source_check.h"
#include "compiler/text_encoding.h"
#include "compiler/warnings.h"
#include "model/file_names.h"
#include "model/scenario_names.h"
#include "platform/file_io.h"
#include "platform/folder_lock.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

// How an author's compile reports.
struct AuthorReport {
  DiagnosticOptions diagnostics;
  bool werror = false;  // warnings fail the compile (exit 1, files still written)
  bool quiet = false;   // no closing summary, no line on success
  // The report as one JSON document on `err` (diagnostics_json.h) instead of
  // the text form and its summary.
  bool json = false;
};

// The one reporter of an author's compile, in text or in JSON. Once the
// command line is read, every end goes through it: in JSON a run that ends
// before compiling is a document with the one error, without a place.
class AuthorReporter {
 public:
  AuthorReporter(const AuthorReport& how, std::ostream& out, std::ostream& err,
                 CompileSeen* seen)
      : how_(how), out_(out), err_(err), seen_(seen) {}

  // Where one-line fatal ends are told: stderr, or held for the document.
  std::ostream& told() { return how_.json ? held_ : err_; }

  // A run that ended before compiling, already told on told().
  int ended(int status) {
    if (how_.json) {
      std::string message = held_.str();
      if (message.rfind("scenarioc: error: ", 0) == 0) message.erase(0, 18);
      while (!message.empty() && message.back() == '\n') message.pop_back();
      err_ << fatal_json(message, status) << std::flush;
    }
    return status;
  }
  int fatal(const std::string& message, int status = kExitEndedEarly) {
    report_fatal(told(), message);
    return ended(status);
  }

  // Sources refused before compiling, with the warnings found on their
  // bytes until then.
  int refused(std::vector<Diagnostic> early, const std::vector<Diagnostic>& refused) {
    if (seen_) {
      seen_->diagnostics = early;
      seen_->diagnostics.insert(seen_->diagnostics.end(), refused.begin(), refused.end());
    }
    if (how_.json) {
      early.insert(early.end(), refused.begin(), refused.end());
      int warnings = 0;
      for (const Diagnostic& d : early) warnings += d.severity == Severity::kWarning ? 1 : 0;
      err_ << diagnostics_json(early, {}, how_.werror,
                               {static_cast<int>(refused.size()), warnings, kExitEndedEarly})
           << std::flush;
    } else {
      for (const Diagnostic& d : refused) err_ << format_diagnostic(d);
    }
    return kExitEndedEarly;
  }

  // The compile's report: its diagnostics, the summary with what became of
  // the compiled files, and on success the line naming what was compiled.
  struct Closing {
    int errors = 0, warnings = 0;
    ExitStatus status = kExitSuccess;
    std::optional<bool> written;  // compile only
    std::string outcome;          // after the counts: what became of the files
    std::vector<std::string> not_compiled;
    std::string compiled_line;    // on success, for stdout
  };
  // In text the diagnostics come first, before any file is written, so that
  // a write that fails is told after them.
  void diagnostics(const std::vector<Diagnostic>& diagnostics,
                   const std::map<std::string, int>& not_shown) {
    if (seen_) seen_->diagnostics = diagnostics;
    if (!how_.json) report_diagnostics(diagnostics, not_shown, how_.werror, err_);
  }
  void closing(const std::vector<Diagnostic>& diagnostics,
               const std::map<std::string, int>& not_shown, const Closing& c) {
    if (how_.json) {
      JsonSummary summary{c.errors, c.warnings, static_cast<int>(c.status)};
      summary.written = c.written;
      summary.outcome = c.outcome;
      summary.not_compiled = c.not_compiled;
      err_ << diagnostics_json(diagnostics, not_shown, how_.werror, summary) << std::flush;
    }
    if (how_.quiet) return;
    if (!how_.json) {
      const int errors = c.errors + (how_.werror ? c.warnings : 0);
      const std::string text = summary_text(errors, how_.werror ? 0 : c.warnings, c.outcome);
      if (!text.empty()) err_ << text << '\n';
      for (const std::string& line : c.not_compiled) err_ << line << '\n';
      err_ << std::flush;
    }
    if (c.status == kExitSuccess) out_ << c.compiled_line << '\n';
  }

 private:
  const AuthorReport& how_;
  std::ostream& out_;
  std::ostream& err_;
  std::ostringstream held_;
  CompileSeen* seen_;
};

std::string counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The scenario's names: from the options, else from the sources' file
// names. Empty after a refusal, which it has reported.
struct ScenarioNaming {
  std::string line, train;
};

// A line name or train number goes into the timetable and the file names:
// in UTF-8 it is converted to the simulator's code page, like the texts of
// the sources. Returns false, with the reason reported, when it cannot be.
bool to_scenario_name(std::string& name, const char* what, std::ostream& err) {
  if (std::optional<EncodingProblem> p = to_windows_1252(name, what)) {
    report_fatal(err, std::string(what) + " '" + name + "' has a character the simulator "
                      "cannot show: " + p->message);
    return false;
  }
  if (const std::string why = name_problem(name); !why.empty()) {
    report_fatal(err, std::string(what) + " '" + name + "' cannot be part of a file name: " + why);
    return false;
  }
  return true;
}

// The names as the command line gives them, before the report's form is
// known: a name that cannot be told is a usage error.
std::optional<ScenarioNaming> names_given(const Arguments& a, std::ostream& err) {
  const std::string line_file = fs::path(a.positional[0]).filename().string();
  const std::string train_file = fs::path(a.positional[1]).filename().string();
  const std::optional<TrainFileNames> from_train = names_from_train_file(train_file);
  std::optional<std::string> L = a.value("--line-name");
  if (!L) L = line_name_from_file(line_file);
  if (!L && from_train) L = from_train->line_name;
  std::optional<std::string> T = a.value("--train-number");
  if (!T && from_train) T = from_train->train_number;
  if (!L) {
    usage_error(err, "cannot tell the line name from '" + line_file +
                         "': name it N_linea.txt or give --line-name N");
    return std::nullopt;
  }
  if (!T) {
    usage_error(err, "cannot tell the train number from '" + train_file +
                         "': name it N_T-.txt or give --train-number T");
    return std::nullopt;
  }
  return ScenarioNaming{*L, *T};
}

// The names in the simulator's code page, checked as file names.
bool resolve_names(ScenarioNaming& n, AuthorReporter& r) {
  if (!to_scenario_name(n.line, "line name", r.told()) ||
      !to_scenario_name(n.train, "train number", r.told()))
    return false;
  if (const std::string why = names_collide(n.line, n.train); !why.empty()) {
    report_fatal(r.told(), "train number '" + n.train + "': " + why + "; nothing written");
    return false;
  }
  return true;
}

// A source larger than any scenario needs is refused before it is read: a
// huge or endless file would otherwise take the machine's memory.
std::optional<std::string> oversized(const FileSources::File& src) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(src.path, ec);
  if (ec || size <= kLargestSource) return std::nullopt;
  return src.label + " holds " + std::to_string(size) +
         " bytes, more than any scenario source needs (at most " +
         std::to_string(kLargestSource >> 20) + " MiB, " + std::to_string(kLargestSource) +
         " bytes); nothing compiled";
}

// Compares the files themselves (device and inode, or the platform's file
// identity), so a link or another spelling of a path is caught too.
bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

// A user's source, checked and read before anything is compiled or written:
// it must be a regular file of text. Its text is converted to the
// simulator's code page. Returns false, with the reason in `refused`, when
// the source is refused; `early` takes the warnings on its bytes.
bool load_source(FileSources::File& src, SourceRole role, const DiagnosticOptions& options,
                 std::vector<Diagnostic>& early, std::vector<Diagnostic>& refused) {
  std::error_code ec;
  const fs::file_status st = fs::status(src.path, ec);
  std::string why;
  if (!fs::exists(st)) why = "no such file";
  else if (fs::is_directory(st)) why = "it is a directory, not a file";
  else if (!fs::is_regular_file(st)) why = "it is not a regular file";
  std::string text;
  if (why.empty()) {
    try {
      text = read_file(src.path, kLargestSource);
    } catch (const FileError& e) {
      why = "cannot read it: " + e.reason();
    }
  }
  if (!why.empty()) {
    refused.push_back(refusal(src.label, why));
    return false;
  }
  PreparedSource prepared = prepare_source(text, role, src.label, options);
  if (prepared.refused) {
    for (Diagnostic& d : prepared.diagnostics) refused.push_back(std::move(d));
    return false;
  }
  for (Diagnostic& d : prepared.diagnostics) early.push_back(std::move(d));
  src.text = std::move(text);
  return true;
}

// The names are texts of the timetable too (rows 85 and 86); the name
// rules have refused C0 controls and DEL in them already.
void warn_control_characters(const ScenarioNaming& n, const DiagnosticOptions& options,
                             std::vector<Diagnostic>& early) {
  if (!options.warnings.has(Warning::kControlCharacter)) return;
  for (const auto& [name, what] : {std::pair{n.line, "line name"}, std::pair{n.train, "train number"}})
    for (const char c : name)
      if (is_control_byte(static_cast<unsigned char>(c))) {
        Diagnostic d;
        d.severity = Severity::kWarning;
        d.warning = std::string(warning_info(Warning::kControlCharacter).name);
        d.failure.message = std::string("the ") + what + " '" + shown_source(name, 200) +
                            "' holds the control character " + shown_source(std::string(1, c)) +
                            ", which the simulator cannot show";
        early.push_back(std::move(d));
        break;
      }
}

// The items an author would miss, counted by the key of their row.
struct CountedItem {
  Key key;
  const char* one;
  const char* many;
};
constexpr CountedItem kLineItems[] = {
    {Key::kCurva, "curve", "curves"},
    {Key::kPendenza, "gradient", "gradients"},
    {Key::kMontagna, "mountain stretch", "mountain stretches"},
    {Key::kIndicatoriV, "speed board", "speed boards"},
    {Key::kCartelloIndicatore, "sign", "signs"},
};
constexpr CountedItem kTrainItems[] = {
    {Key::kStazione, "station", "stations"},
    {Key::kSegnale, "signal", "signals"},
    {Key::kRallentamento, "slow-down", "slow-downs"},
    {Key::kVelocita, "speed limit", "speed limits"},
};

// Where the compile of a file stopped: the first failure it recorded, when
// the reading of a source recorded it (the finishing pass names its rows
// through the cells instead, and comes after both files).
struct Stop {
  SourceRole role;
  int line;
};
std::optional<Stop> compile_stop(const Scenario& s, SourceInput& sources) {
  if (s.failures.empty()) return std::nullopt;
  const Failure& f = s.failures.front();
  if (f.row_of_cell >= 0 || !f.where || f.where->line <= 0) return std::nullopt;
  for (SourceRole role : {SourceRole::kLine, SourceRole::kTrain})
    if (f.where->file == sources.label(role)) return Stop{role, f.where->line};
  return std::nullopt;
}

// "the rest of the train file was not compiled: 3 stations, 6 signals", for
// the file where the compile stopped and, after a stop in the line file, the
// train file it never reached.
std::vector<std::string> not_compiled(const Scenario& s, SourceInput& sources) {
  std::vector<std::string> lines;
  const std::optional<Stop> stop = compile_stop(s, sources);
  if (!stop) return lines;
  const auto tell = [&](SourceRole role, int from, const char* what) {
    if (!sources.exists(role)) return;
    const std::string items = items_not_compiled(sources.read(role), role, from);
    if (!items.empty()) lines.push_back(std::string(what) + " was not compiled: " + items);
  };
  if (stop->role == SourceRole::kLine) {
    tell(SourceRole::kLine, stop->line, "the rest of the line file");
    tell(SourceRole::kTrain, 0, "the train file");
  } else {
    tell(SourceRole::kTrain, stop->line, "the rest of the train file");
  }
  return lines;
}

// The compile and what becomes of its files: with an error recorded, the
// earlier compiled files stay unless `write_on_error`.
ExitStatus compile_and_report(FileSources& sources, const CompileJob& job, const AuthorReport& how,
                              bool write_on_error, std::vector<Diagnostic> early,
                              AuthorReporter& reporter, bool& replaced) {
  CompileOptions options = author_options(job.line_name, job.train_number, job.write_line_plan);
  options.diagnostics = how.diagnostics;
  CompileResult result = compile(sources, options);
  const Scenario& s = result.scenario;
  CompileReport& report = result.report;

  AuthorReporter::Closing c;
  c.errors = report.errors;
  c.warnings = report.warnings;
  for (const Diagnostic& d : early) c.warnings += d.severity == Severity::kWarning ? 1 : 0;
  early.insert(early.end(), std::make_move_iterator(report.diagnostics.begin()),
               std::make_move_iterator(report.diagnostics.end()));

  reporter.diagnostics(early, report.not_shown);

  std::vector<std::string> written;
  if (!result.writable()) {
    c.status = kExitEndedEarly;
  } else {
    c.status = s.failures.empty() ? kExitSuccess : kExitRecordedFailures;
    if (how.werror && c.warnings > 0 && c.status == kExitSuccess) c.status = kExitRecordedFailures;
    if (job.write_outputs) {
      const bool write = s.failures.empty() || write_on_error;
      if (write) {
        write_compiled_files(s, job.out_dir);
        replaced = true;
        if (s.build_line_plan) written.push_back(line_plan_name(s.line_name));
        written.push_back(timetable_name(s.line_name, s.train_number));
        written.push_back(route_name(s.line_name, s.train_number));
      } else {
        bool earlier = false;
        for (const std::string& name : {line_plan_name(s.line_name),
                                        timetable_name(s.line_name, s.train_number),
                                        route_name(s.line_name, s.train_number)}) {
          std::error_code ec;
          earlier = earlier || fs::exists(job.out_dir / name, ec);
        }
        c.outcome = earlier ? "no compiled file written, the earlier ones are kept"
                            : "no compiled file written";
      }
      c.written = write;
    }
  }
  if (!s.failures.empty()) c.not_compiled = not_compiled(s, sources);
  if (c.status == kExitSuccess) {
    // The names are in the simulator's code page, as the files.
    std::ostringstream line;
    line << shown_source(s.line_name, 200) << ": " << s.scenario_table[kTrainDataRow].stop_pos
         << " m, " << counted(report.stations, "station", "stations") << ", "
         << counted(report.signals, "signal", "signals") << ", "
         << counted(report.slow_downs, "slow-down", "slow-downs");
    for (size_t i = 0; i < written.size(); ++i)
      line << (i == 0 ? " -> " : ", ") << shown_source(written[i], 300);
    c.compiled_line = line.str();
  }
  reporter.closing(early, report.not_shown, c);
  return c.status;
}

}  // namespace

std::string items_not_compiled(std::string_view text, SourceRole role, int stopped_at) {
  const std::span<const CountedItem> items =
      role == SourceRole::kLine ? std::span<const CountedItem>(kLineItems)
                                : std::span<const CountedItem>(kTrainItems);
  std::vector<int> counts(items.size(), 0);
  int line = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view row = text.substr(at, end - at);
    at = end + 1;
    if (++line <= stopped_at) continue;
    // The row's key is its first item, up to the first comma.
    const std::string_view key = row.substr(0, row.find(','));
    if (key.find('[') != std::string_view::npos) continue;  // a header
    for (const Keyword& k : keyword_table()) {
      if (k.file != role || k.section == KeySection::kHeader || !holds_keyword(key, k)) continue;
      for (size_t i = 0; i < items.size(); ++i)
        if (items[i].key == k.id) ++counts[i];
      break;  // the parsers take the first keyword a key holds
    }
  }
  std::string out;
  for (size_t i = 0; i < items.size(); ++i)
    if (counts[i] > 0)
      out += (out.empty() ? "" : ", ") + counted(counts[i], items[i].one, items[i].many);
  return out;
}

std::optional<GivenNames> given_scenario_names(const Arguments& a, std::ostream& err) {
  const std::optional<ScenarioNaming> n = names_given(a, err);
  if (!n) return std::nullopt;
  return GivenNames{n->line, n->train};
}

int compile_command(const Arguments& a, bool write, IO& io, CompileSeen* seen) {
  std::ostream& err = io.err;
  std::optional<ScenarioNaming> names = names_given(a, err);
  if (!names) return kExitEndedEarly;
  AuthorReport how;
  if (const std::optional<std::string> form = a.value("--diagnostics")) {
    if (*form != "text" && *form != "json")
      return usage_error(err, "--diagnostics takes text or json, not '" + *form + "'");
    how.json = *form == "json";
  }
  AuthorReporter reporter(how, io.out, err, seen);
  if (!resolve_names(*names, reporter)) return reporter.ended(kExitEndedEarly);

  how.diagnostics.warnings = WarningSet::all();
  for (const std::string& name : a.values("-Wno-")) {
    const std::optional<Warning> w = warning_named(name);
    if (!w)
      return usage_error(err, "no warning is named '" + name +
                                  "'; scenarioc help warnings lists them");
    how.diagnostics.warnings.set(*w, false);
  }
  how.diagnostics.read_on = !a.has("--fatal-errors");
  how.werror = a.has("--werror");
  how.quiet = a.has("--quiet");

  CompileJob job;
  job.line_name = names->line;
  job.train_number = names->train;
  job.out_dir = a.value("--dir").value_or(".");
  job.write_line_plan = !a.has("--no-plan");
  job.write_outputs = write;
  FileSources::File line{a.positional[0], a.positional[0]}, train{a.positional[1], a.positional[1]};

  // The folder is ours from here to the last rename; what a stopped run left
  // there is put right before anything else. A folder not there yet is made,
  // as emit makes its own.
  std::optional<FolderLock> held;
  if (write) {
    try {
      std::error_code made;
      fs::create_directories(job.out_dir, made);
      if (made) throw FileError(job.out_dir, made.message());
      // In JSON, stderr holds the document alone: the folder's notes are left out.
      std::ostringstream folder_notes;
      held.emplace(take_folder(job.out_dir, !a.has("--no-wait"), how.json ? folder_notes : err));
    } catch (const FolderBusy& e) {
      return reporter.ended(busy_error(reporter.told(), e));
    } catch (const FileError& e) {
      return reporter.ended(file_error(reporter.told(), e));
    }

    std::vector<fs::path> outputs = {job.out_dir / timetable_name(job.line_name, job.train_number),
                                     job.out_dir / route_name(job.line_name, job.train_number)};
    if (job.write_line_plan) outputs.push_back(job.out_dir / line_plan_name(job.line_name));
    for (const fs::path& output : outputs)
      for (const FileSources::File* in : {&line, &train})
        if (same_file(output, in->path))
          return reporter.fatal("the output " + output.string() + " is the source " + in->label +
                                " itself; nothing written");
  }

  for (FileSources::File* src : {&line, &train})
    if (std::optional<std::string> why = oversized(*src)) return reporter.fatal(*why);
  std::vector<Diagnostic> early, refused;
  const bool loaded = load_source(line, SourceRole::kLine, how.diagnostics, early, refused) &&
                      load_source(train, SourceRole::kTrain, how.diagnostics, early, refused);
  if (seen) {
    seen->line_text = line.text.value_or("");
    seen->train_text = train.text.value_or("");
  }
  if (!loaded) return reporter.refused(std::move(early), refused);
  warn_control_characters(*names, how.diagnostics, early);

  FileSources sources(std::move(line), std::move(train), /*consume=*/false);
  try {
    return compile_and_report(sources, job, how, a.has("--write-on-error"), std::move(early),
                              reporter, io.replaced);
  } catch (const FileError& e) {
    return reporter.ended(file_error(reporter.told(), e));
  }
}

}  // namespace scenarioc
