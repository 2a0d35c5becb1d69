#include "cli/report.h"

#include <map>
#include <ostream>

#include "cli/run.h"
#include "compiler/display_text.h"

namespace scenarioc {
namespace {

// "FILE:LINE:COL: ", "FILE: " or "scenarioc: ".
std::string place(const std::optional<SourceLocation>& where) {
  if (!where) return "scenarioc: ";
  if (where->line == 0) return shown_utf8(where->file) + ": ";  // the file as a whole
  return shown_utf8(where->file) + ":" + std::to_string(where->line) + ":" +
         std::to_string(where->column) + ": ";
}

// The source line under a diagnostic, cut to its window, and the caret.
std::string quote(const std::optional<SourceLocation>& where) {
  if (!where || where->line <= 0 || where->text.empty()) return "";
  const SourceLocation& w = *where;
  const int at = w.column - w.text_column;
  std::string caret;
  std::string line = shown_source_line(w.text, at < 0 ? 0 : static_cast<size_t>(at), caret);
  if (w.text_column > 1) {
    line = "..." + line;
    caret = "   " + caret;
  }
  if (w.text_cut) line += "...";
  return line + "\n" + caret + "\n";
}

std::string notes_of(const Failure& f) {
  std::string out;
  for (const Note& n : f.notes)
    out += place(n.where) + "note: " + shown_utf8(n.message) + "\n" + quote(n.where);
  return out;
}

}  // namespace

std::string format_failure(const Failure& f) {
  return place(f.where) + "error " + std::to_string(f.code) + ": " + shown_utf8(f.message) +
         "\n" + quote(f.where) + notes_of(f);
}

std::string format_diagnostic(const Diagnostic& d, bool werror) {
  const Failure& f = d.failure;
  std::string head;
  if (d.severity == Severity::kWarning) {
    head = (werror ? "error: " : "warning: ") + shown_utf8(f.message) + " [-W" +
           (werror ? "error=" : "") + d.warning + "]";
  } else {
    head = "error" + (f.code != 0 ? " " + std::to_string(f.code) : std::string()) + ": " +
           shown_utf8(f.message);
  }
  return place(f.where) + head + "\n" + quote(f.where) + notes_of(f);
}

void report_failures(const Scenario& s, std::ostream& err) {
  std::map<int32_t, int> seen;
  for (const Failure& f : s.failures)
    if (++seen[f.code] <= kRepeatsShown) err << format_failure(f);
  for (const auto& [code, count] : seen)
    if (count > kRepeatsShown)
      err << "scenarioc: error " << code << ": " << count - kRepeatsShown
          << " more failures with this code not shown\n";
  err.flush();
}

void report_diagnostics(const std::vector<Diagnostic>& diagnostics,
                        const std::map<std::string, int>& not_shown, bool werror,
                        std::ostream& err) {
  for (const Diagnostic& d : diagnostics) err << format_diagnostic(d, werror);
  for (const auto& [kind, count] : not_shown) {
    if (kind.rfind("error ", 0) == 0)
      err << "scenarioc: " << kind << ": " << count
          << " more failures with this code not shown\n";
    else
      err << "scenarioc: " << (werror ? "error" : "warning") << ": " << count
          << " more warnings [-W" << kind << "] not shown\n";
  }
  err.flush();
}

std::string summary_line(int errors, int warnings) {
  std::string out;
  if (errors > 0) out += std::to_string(errors) + (errors == 1 ? " error" : " errors");
  if (warnings > 0) {
    if (!out.empty()) out += ", ";
    out += std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
  }
  return out;
}

void report_fatal(std::ostream& err, const std::string& message) {
  err << "scenarioc: error: " << shown_utf8(message) << '\n' << std::flush;
}

int usage_error(std::ostream& err, const std::string& message) {
  report_fatal(err, message + " (scenarioc --help tells the usage)");
  return kExitEndedEarly;
}

int file_error(std::ostream& err, const FileError& e) {
  report_fatal(err, "cannot write " + e.path().string() + ": " + e.reason());
  return kExitEndedEarly;
}

int busy_error(std::ostream& err, const FolderBusy& e) {
  report_fatal(err, "another run is writing in " + e.dir().string() +
                        "; nothing written (without --no-wait this run would wait for it)");
  return kExitEndedEarly;
}

}  // namespace scenarioc
