#include "cli/plot_command.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

#include "cli/plot_html.h"
#include "cli/plot_svg.h"
#include "cli/scenario_folder.h"
#include "cli/report.h"
#include "compiler/display_text.h"
#include "cli/run.h"
#include "model/file_names.h"
#include "model/rounding.h"
#include "model/route_rules.h"
#include "model/scenario_names.h"
#include "platform/file_io.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {


std::optional<int32_t> metres(const std::string& s) {
  int32_t v = 0;
  const char* end = s.data() + s.size();
  const auto [p, ec] = std::from_chars(s.data(), end, v);
  if (ec != std::errc() || p != end) return std::nullopt;
  return v;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int fail(std::ostream& err, const std::string& message) {
  report_fatal(err, message);
  return kExitEndedEarly;
}

// The whole of a compiled file, or nothing when it is not there.
std::optional<std::string> read_if_there(const fs::path& p, uint64_t largest,
                                         std::string_view kind) {
  std::error_code ec;
  if (!fs::exists(p, ec)) return std::nullopt;
  return read_compiled_file(p, largest, kind);
}

}  // namespace

std::string plot_options(const Arguments& args, PlotOptions& o) {
  o.dir = args.value("--dir").value_or("");
  o.line_name = args.value("--line-name");
  o.train_number = args.value("--train-number");
  o.output = args.value("--output").value_or("");
  for (const char* bound : {"--from", "--to"}) {
    const std::optional<std::string> v = args.value(bound);
    if (!v) continue;
    const std::optional<int32_t> m = metres(*v);
    if (!m)
      return "option '" + std::string(bound) + "' needs a whole number of metres, not '" + *v + "'";
    (std::string_view(bound) == "--from" ? o.range.from : o.range.to) = m;
  }
  if (o.output.empty()) return "plot needs an output file: -o FILE.svg or -o FILE.html";
  return "";
}

int plot_command(const PlotOptions& o, std::ostream& /*out*/, std::ostream& err) {
  const std::string ext = lower(o.output.extension().string());
  const bool page = ext == ".html" || ext == ".htm";
  if (!page && ext != ".svg")
    return fail(err, "cannot tell what to draw from '" + o.output.string() +
                         "': name it FILE.svg for a picture or FILE.html for a page");

  // Files here are named by their names alone.
  const fs::path& dir = o.dir;
  std::error_code ec;
  if (!fs::is_directory(dir.empty() ? fs::path(".") : dir, ec))
    return fail(err, "no folder " + dir.string());

  // The three files are read as one set: no writer changes them meanwhile.
  std::string refusal;
  std::optional<FolderLock> held = hold_folder_for_reading(dir, err, refusal);
  if (!refusal.empty()) return fail(err, refusal);

  // Which scenario: as named, or the one the folder holds.
  std::string error;
  const std::optional<ScenarioNames> found =
      find_compiled_scenario(dir, o.line_name, o.train_number, error);
  if (!found) return fail(err, error);
  const ScenarioNames& names = *found;
  if (const std::string why = names_collide(names.line, names.train); !why.empty())
    return fail(err, "train number '" + names.train + "': " + why);

  const fs::path timetable_path = dir / timetable_name(names.line, names.train);
  const fs::path route_path = dir / route_name(names.line, names.train);
  const fs::path plan_path = dir / line_plan_name(names.line);
  Timetable rows;
  std::vector<RouteCell> route;
  std::optional<DecodedPlan> plan;
  const fs::path* reading = &timetable_path;
  try {
    const std::optional<std::string> timetable_bytes = read_if_there(timetable_path, kLargestTimetableFile, "timetable");
    if (!timetable_bytes) return fail(err, "no compiled scenario: " + timetable_path.string() + " is missing");
    rows = decode_timetable(*timetable_bytes);
    reading = &route_path;
    const std::optional<std::string> route_bytes = read_if_there(route_path, kLargestRouteFile, "route");
    if (!route_bytes) return fail(err, "no compiled scenario: " + route_path.string() + " is missing");
    route = decode_route(*route_bytes);
    reading = &plan_path;
    if (const std::optional<std::string> plan_bytes = read_if_there(plan_path, kLargestLinePlanFile, "line plan"))
      plan = decode_line_plan(*plan_bytes);
  } catch (const FormatError& e) {
    return fail(err, reading->string() + " is damaged: " + e.what());
  } catch (const FileError& e) {
    return fail(err, "cannot read " + e.path().string() + ": " + e.reason());
  }
  held.reset();  // read: the drawing keeps no writer waiting

  // The three files of one compile agree on the length of the route: the
  // timetable keeps the line's length, the route has a cell every 50 m of
  // it and the run-off, the plan a point every metre.
  const int32_t cells_last = static_cast<int32_t>(route.size()) - 1;
  const int64_t length = rows[kTrainDataRow].stop_pos;
  if (route_last_cell(length) != cells_last)
    return fail(err, timetable_path.string() + " and " + route_path.string() +
                         " do not belong together: a line of " + std::to_string(length) +
                         " m has " + std::to_string(route_last_cell(length) + 1) +
                         " route cells, not " + std::to_string(route.size()) +
                         "; compile the scenario again");
  if (plan && plan->last_metre() != length + kRouteTail)
    return fail(err, plan_path.string() + " does not belong to " + timetable_path.string() +
                         ": it holds " + std::to_string(plan->last_metre() + 1) +
                         " metres of plan, a line of " + std::to_string(length) + " m has " +
                         std::to_string(length + kRouteTail + 1) + "; compile the scenario again");

  if (!plan)
    err << "scenarioc: note: no " << shown_utf8(plan_path.string())
        << ": the plan of the track is left out\n";
  std::string caption = "Drawn by scenarioc from " + timetable_path.filename().string() + ", " +
                        route_path.filename().string();
  caption += plan ? " and " + plan_path.filename().string() + "."
                  : " (no " + plan_path.filename().string() + ": no plan drawn).";
  std::string drawing;
  try {
    const PlotData d = plot_data(route, rows, plan ? &*plan : nullptr, o.range);
    drawing = page ? plot_html(d, caption) : plot_svg(d, caption);
  } catch (const PlotRangeError& e) {
    return fail(err, e.what());
  } catch (const FormatError& e) {
    return fail(err, plan_path.string() + " is damaged: " + e.what());
  }
  try {
    replace_file(o.output, drawing);
  } catch (const FileError& e) {
    return fail(err, "cannot write " + e.path().string() + ": " + e.reason());
  }
  return kExitSuccess;
}

}  // namespace scenarioc
