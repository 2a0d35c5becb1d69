#include "cli/diagnostics_json.h"

#include <nlohmann/json.hpp>

#include "cli/report.h"
#include "compiler/display_text.h"

namespace scenarioc {
namespace {

using json = nlohmann::ordered_json;

// The column just past the item at `where`: up to its comma or the end of
// the line, trailing blanks left out; one byte at least.
int end_column(const SourceLocation& w) {
  const int at = w.column - w.text_column;
  if (at < 0 || static_cast<size_t>(at) >= w.text.size()) return w.column + 1;
  size_t end = w.text.find(',', static_cast<size_t>(at));
  if (end == std::string::npos) end = w.text.size();
  while (end > static_cast<size_t>(at) + 1 && (w.text[end - 1] == ' ' || w.text[end - 1] == '\t'))
    --end;
  return w.column + static_cast<int>(end - static_cast<size_t>(at));
}

void put_place(json& j, const std::optional<SourceLocation>& where) {
  if (!where) {
    j["file"] = nullptr;
    j["line"] = nullptr;
    j["column"] = nullptr;
    j["end_column"] = nullptr;
    return;
  }
  j["file"] = shown_utf8(where->file);
  j["line"] = where->line;
  if (where->line == 0) {
    j["column"] = nullptr;
    j["end_column"] = nullptr;
  } else {
    j["column"] = where->column;
    j["end_column"] = end_column(*where);
  }
}

std::string dumped(const json& doc) {
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string diagnostics_json(const std::vector<Diagnostic>& diagnostics,
                             const std::map<std::string, int>& not_shown, bool werror,
                             const JsonSummary& summary) {
  json list = json::array();
  for (const Diagnostic& d : diagnostics) {
    const Failure& f = d.failure;
    const bool warning = d.severity == Severity::kWarning;
    json j;
    j["severity"] = warning && !werror ? "warning" : "error";
    j["code"] = f.code != 0 ? json(f.code) : json(nullptr);
    j["warning"] = warning ? json(d.warning) : json(nullptr);
    put_place(j, f.where);
    j["message"] = shown_utf8(f.message);
    json notes = json::array();
    for (const Note& n : f.notes) {
      json nj;
      put_place(nj, n.where);
      nj["message"] = shown_utf8(n.message);
      notes.push_back(std::move(nj));
    }
    j["notes"] = std::move(notes);
    list.push_back(std::move(j));
  }
  json hidden = json::array();
  for (const auto& [kind, count] : not_shown) hidden.push_back({{"kind", kind}, {"count", count}});
  json doc;
  doc["diagnostics"] = std::move(list);
  doc["not_shown"] = std::move(hidden);
  const int errors = summary.errors + (werror ? summary.warnings : 0);
  const int warnings = werror ? 0 : summary.warnings;
  doc["summary"] = {{"errors", errors},
                    {"warnings", warnings},
                    {"exit_status", summary.exit_status},
                    {"text", summary_text(errors, warnings, summary.outcome)}};
  if (summary.written) doc["summary"]["written"] = *summary.written;
  if (!summary.not_compiled.empty()) doc["summary"]["not_compiled"] = summary.not_compiled;
  return dumped(doc);
}

std::string summary_text(int errors, int warnings, const std::string& outcome) {
  std::string text = summary_line(errors, warnings);
  if (!outcome.empty()) text += (text.empty() ? "" : "; ") + outcome;
  return text;
}

std::string fatal_json(const std::string& message, int exit_status) {
  Diagnostic d;
  d.origin = Diagnostic::Origin::kRefused;
  d.failure.message = message;
  return diagnostics_json({d}, {}, false, {1, 0, exit_status});
}

}  // namespace scenarioc
