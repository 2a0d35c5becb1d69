#include "cli/report.h"

#include <algorithm>
#include <map>
#include <ostream>

namespace scenarioc {

std::string format_failure(const Failure& f) {
  std::string out;
  if (f.where && f.where->line == 0) {
    out += f.where->file + ": ";  // the file as a whole
  } else if (f.where) {
    const SourceLocation& w = *f.where;
    out += w.file + ":" + std::to_string(w.line) + ":" +
           std::to_string(w.column) + ": ";
  } else {
    out += "scenarioc: ";
  }
  out += "error " + std::to_string(f.code) + ": " + f.message + "\n";
  if (f.where && f.where->line > 0 && !f.where->text.empty()) {
    // A long line that reached here whole is shown around the column only.
    SourceLocation cut;
    const SourceLocation* w = &*f.where;
    const size_t at = static_cast<size_t>(std::max(0, w->column - w->text_column));
    if (w->text.size() > 2 * kQuotedReach + 6) {
      quote_line(cut, w->text, at);
      cut.column = w->column;
      cut.text_column += w->text_column - 1;
      w = &cut;
    }
    out += w->text;
    out += '\n';
    // Keep the tabs of the line, so that the caret lines up in a terminal.
    for (int i = 0; i < w->column - w->text_column && i < static_cast<int>(w->text.size()); ++i)
      out += w->text[static_cast<size_t>(i)] == '\t' ? '\t' : ' ';
    out += "^\n";
  }
  return out;
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

void report_fatal(std::ostream& err, const std::string& message) {
  err << "scenarioc: error: " << message << '\n' << std::flush;
}

}  // namespace scenarioc
