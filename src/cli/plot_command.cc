#include "cli/plot_command.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

#include "plot/plot_html.h"
#include "plot/plot_svg.h"
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

std::optional<std::string> draw_scenario(const PlotOptions& o, bool page, std::ostream& err,
                                         std::string& error) {
  std::optional<FolderScenario> folder =
      read_folder_scenario(o.dir, o.line_name, o.train_number, err, error);
  if (!folder) return std::nullopt;
  const fs::path& timetable_path = folder->timetable_path;
  const fs::path& route_path = folder->route_path;
  const fs::path& plan_path = folder->plan_path;
  const std::optional<DecodedPlan>& plan = folder->files.plan;

  if (!plan)
    err << "scenarioc: note: no " << shown_utf8(plan_path.string())
        << ": the plan of the track is left out\n";
  std::string caption = "Drawn by scenarioc from " + timetable_path.filename().string() + ", " +
                        route_path.filename().string();
  caption += plan ? " and " + plan_path.filename().string() + "."
                  : " (no " + plan_path.filename().string() + ": no plan drawn).";
  try {
    const PlotData d =
        plot_data(folder->files.route, folder->files.timetable, plan ? &*plan : nullptr, o.range);
    return page ? plot_html(d, caption) : plot_svg(d, caption);
  } catch (const PlotRangeError& e) {
    error = e.what();
  } catch (const FormatError& e) {
    error = plan_path.string() + " is damaged: " + e.what();
  }
  return std::nullopt;
}

int plot_command(const PlotOptions& o, std::ostream& /*out*/, std::ostream& err) {
  const std::string ext = lower(o.output.extension().string());
  const bool page = ext == ".html" || ext == ".htm";
  if (!page && ext != ".svg")
    return fail(err, "cannot tell what to draw from '" + o.output.string() +
                         "': name it FILE.svg for a picture or FILE.html for a page");

  std::string error;
  const std::optional<std::string> drawing = draw_scenario(o, page, err, error);
  if (!drawing) return fail(err, error);
  try {
    replace_file(o.output, *drawing);
  } catch (const FileError& e) {
    return fail(err, "cannot write " + e.path().string() + ": " + e.reason());
  }
  return kExitSuccess;
}

}  // namespace scenarioc
