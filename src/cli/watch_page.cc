#include "cli/watch_page.h"

#include "cli/report.h"
#include "compiler/display_text.h"
#include "plot/drawing.h"

namespace scenarioc {
namespace {

// The strip's look, kept apart from the plot's own style: every rule is
// under #watch-diagnostics or the source view's body.
constexpr const char* kStripStyle =
    "<style>\n"
    "#watch-diagnostics{font:13px/1.35 system-ui,sans-serif;max-width:1400px;margin:0 auto 6px;"
    "box-sizing:border-box;padding:6px 10px;border-bottom:1px solid #ccc;background:#fafafa;"
    "max-height:40vh;overflow:auto}\n"
    "#watch-diagnostics .watch-status{margin:0 0 4px;font-weight:600}\n"
    "#watch-diagnostics .watch-status.failed{color:#b00020}\n"
    "#watch-diagnostics ol{margin:0;padding-left:1.5em}\n"
    "#watch-diagnostics li{margin:2px 0}\n"
    "#watch-diagnostics li.error>a,#watch-diagnostics li.error>span{color:#b00020}\n"
    "#watch-diagnostics li.warning>a,#watch-diagnostics li.warning>span{color:#8a5a00}\n"
    "#watch-diagnostics pre{margin:2px 0 6px;font-size:12px;white-space:pre-wrap}\n"
    "</style>\n";

// Loads the page again when the server tells of a compile other than the
// one shown. The browser opens the event stream again by itself after the
// server went away and came back.
std::string reload_script(uint64_t shown) {
  return "<script>\n(function () {\n  var shown = '" + std::to_string(shown) +
         "';\n  var events = new EventSource('" + std::string(kEventsPath) +
         "');\n  events.onmessage = function (e) { if (e.data !== shown) location.reload(); };\n"
         "})();\n</script>\n";
}

// The link of a diagnostic's row: its source's view at the row, or "" for
// a diagnostic of no row of either source.
std::string row_link(const WatchState& s, const Diagnostic& d) {
  if (!d.failure.where || d.failure.where->line <= 0) return "";
  const std::string_view path = d.failure.where->file == s.line_label    ? kLineSourcePath
                                : d.failure.where->file == s.train_label ? kTrainSourcePath
                                                                         : std::string_view();
  if (path.empty()) return "";
  return std::string(path) + "#L" + std::to_string(d.failure.where->line);
}

std::string strip(const WatchState& s) {
  bool failed = false;
  for (const Diagnostic& d : s.diagnostics) failed = failed || d.severity == Severity::kError;
  std::string out = kStripStyle;
  out += "<section id=\"watch-diagnostics\" data-compile=\"" + std::to_string(s.compile_number) +
         "\">\n<p class=\"watch-status" + std::string(failed ? " failed" : "") + "\">" +
         drawing::esc(s.time) + ": " + drawing::esc(shown_utf8(s.summary)) + "</p>\n";
  if (s.diagnostics.empty()) {
    if (!s.report.empty()) out += "<pre>" + drawing::esc(shown_utf8(s.report)) + "</pre>\n";
    return out + "</section>\n";
  }
  out += "<ol>\n";
  for (const Diagnostic& d : s.diagnostics) {
    // The first line of the report's form names the place and says what is
    // wrong; the rest (the row and its caret, the notes) is shown under it.
    const std::string text = format_diagnostic(d);
    const size_t end = text.find('\n');
    const std::string first = text.substr(0, end);
    const std::string rest = end == std::string::npos ? "" : text.substr(end + 1);
    const std::string link = row_link(s, d);
    out += std::string("<li class=\"") +
           (d.severity == Severity::kError ? "error" : "warning") + "\">";
    out += link.empty() ? "<span>" + drawing::esc(first) + "</span>"
                        : "<a href=\"" + link + "\">" + drawing::esc(first) + "</a>";
    if (!rest.empty()) out += "<pre>" + drawing::esc(rest) + "</pre>";
    out += "</li>\n";
  }
  return out + "</ol>\n</section>\n";
}

}  // namespace

std::string watch_page(const WatchState& state, const std::string& drawing,
                       const std::string& why_no_drawing) {
  if (drawing.empty())
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<title>scenarioc watch</title>\n</head>\n<body>\n" +
           strip(state) + "<p id=\"no-drawing\">" + drawing::esc(shown_utf8(why_no_drawing)) +
           "</p>\n" + reload_script(state.compile_number) + "</body>\n</html>\n";
  std::string page = drawing;
  // After the <body> tag's end, before the plot's own header.
  size_t body = page.find("<body");
  body = body == std::string::npos ? std::string::npos : page.find('>', body);
  const std::string top = strip(state);
  if (body == std::string::npos) page.insert(0, top);
  else page.insert(body + 1, "\n" + top);
  const size_t end = page.rfind("</body>");
  page.insert(end == std::string::npos ? page.size() : end, reload_script(state.compile_number));
  return page;
}

std::string waiting_page() {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>scenarioc watch</title>\n</head>\n<body>\n<p id=\"no-drawing\">Compiling...</p>\n" +
         reload_script(0) + "</body>\n</html>\n";
}

std::string source_page(const WatchState& state, std::string_view label, std::string_view text) {
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                    drawing::esc(shown_utf8(label)) +
                    "</title>\n<style>\n"
                    "body{margin:0;font:13px/1.4 ui-monospace,monospace}\n"
                    "h1{font:600 14px system-ui,sans-serif;margin:8px 10px}\n"
                    "a.back{font:13px system-ui,sans-serif;margin:0 10px}\n"
                    "pre{margin:8px 0}\n"
                    "pre>span{display:block;padding:0 10px;white-space:pre-wrap}\n"
                    "pre>span>a{display:inline-block;width:4em;color:#888;text-decoration:none}\n"
                    "pre>span:target{background:#fff2a8}\n"
                    "</style>\n</head>\n<body>\n<h1>" +
                    drawing::esc(shown_utf8(label)) + " as compiled at " + drawing::esc(state.time) +
                    "</h1>\n<a class=\"back\" href=\"/\">back to the drawing</a>\n<pre>";
  int row = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    const std::string id = "L" + std::to_string(++row);
    out += "<span id=\"" + id + "\"><a href=\"#" + id + "\">" + std::to_string(row) + "</a>" +
           drawing::esc(shown_source(line, line.size())) + "</span>";
  }
  out += "</pre>\n" + reload_script(state.compile_number) + "</body>\n</html>\n";
  return out;
}

}  // namespace scenarioc
