#include "cli/scenario_folder.h"

#include <algorithm>
#include <vector>

#include "cli/run.h"
#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "model/file_names.h"
#include "model/route_rules.h"
#include "model/scenario_names.h"
#include "platform/file_io.h"
#include "platform/folder_lock.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

// "Valdena_704.sim" gives Valdena and 704 (split at the last "_").
std::optional<ScenarioNames> names_of_timetable(const std::string& file) {
  const std::string tail = ".sim";
  if (file.size() <= tail.size() || file.compare(file.size() - tail.size(), tail.size(), tail) != 0)
    return std::nullopt;
  const std::string stem = file.substr(0, file.size() - tail.size());
  const size_t cut = stem.rfind('_');
  if (cut == std::string::npos || cut == 0 || cut + 1 == stem.size()) return std::nullopt;
  return ScenarioNames{stem.substr(0, cut), stem.substr(cut + 1)};
}

// The whole of a compiled file, or nothing when it is not there.
std::optional<std::string> read_if_there(const fs::path& p, uint64_t largest,
                                         std::string_view kind) {
  std::error_code ec;
  if (!fs::exists(p, ec)) return std::nullopt;
  return read_compiled_file(p, largest, kind);
}

// Why the files of `f` cannot come from one compile; empty when they can.
std::string mismatch(const FolderScenario& f) {
  const std::vector<RouteCell>& route = f.files.route;
  const int32_t cells_last = static_cast<int32_t>(route.size()) - 1;
  const int64_t length = f.files.timetable[kTrainDataRow].stop_pos;
  if (route_last_cell(length) != cells_last)
    return f.timetable_path.string() + " and " + f.route_path.string() +
           " do not belong together: a line of " + std::to_string(length) + " m has " +
           std::to_string(route_last_cell(length) + 1) + " route cells, not " +
           std::to_string(route.size()) + "; compile the scenario again";
  if (f.files.plan && f.files.plan->last_metre() != length + kRouteTail)
    return f.plan_path.string() + " does not belong to " + f.timetable_path.string() +
           ": it holds " + std::to_string(f.files.plan->last_metre() + 1) +
           " metres of plan, a line of " + std::to_string(length) + " m has " +
           std::to_string(length + kRouteTail + 1) + "; compile the scenario again";
  return "";
}

}  // namespace

std::optional<ScenarioNames> find_compiled_scenario(const fs::path& dir,
                                                    const std::optional<std::string>& line,
                                                    const std::optional<std::string>& train,
                                                    std::string& error) {
  if (line && train) return ScenarioNames{*line, *train};
  const fs::path where = dir.empty() ? fs::path(".") : dir;
  const std::string shown = dir.empty() ? "this folder" : dir.string();
  std::vector<ScenarioNames> found;
  std::error_code ec;
  for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (!it->is_regular_file(kind)) continue;
    const std::optional<ScenarioNames> n = names_of_timetable(it->path().filename().string());
    if (n && (!line || n->line == *line) && (!train || n->train == *train)) found.push_back(*n);
  }
  if (ec) {
    error = "cannot read the folder " + shown + ": " + ec.message();
    return std::nullopt;
  }
  if (found.size() == 1) return found.front();
  if (found.empty()) {
    error = shown + " holds no compiled scenario (no LINE_TRAIN.sim file" +
            (line || train ? " of that name" : "") + ")";
    return std::nullopt;
  }
  std::sort(found.begin(), found.end(), [](const ScenarioNames& a, const ScenarioNames& b) {
    return a.line != b.line ? a.line < b.line : a.train < b.train;
  });
  std::string list;
  for (size_t i = 0; i < found.size() && i < 4; ++i)
    list += (i ? ", " : "") + timetable_name(found[i].line, found[i].train);
  if (found.size() > 4) list += ", ...";
  error = shown + " holds " + std::to_string(found.size()) + " compiled scenarios (" + list +
          "): name one with --line-name and --train-number";
  return std::nullopt;
}

std::string read_compiled_file(const fs::path& path, uint64_t largest, std::string_view kind) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > largest)
    throw FormatError(largest, "the file holds " + std::to_string(size) + " bytes, more than any " +
                                   std::string(kind) + " file (at most " +
                                   std::to_string(largest) + ")");
  return read_file(path, largest);
}

std::optional<FolderScenario> read_folder_scenario(const fs::path& dir,
                                                   const std::optional<std::string>& line,
                                                   const std::optional<std::string>& train,
                                                   std::ostream& err, std::string& error) {
  // Files here are named by their names alone.
  std::error_code ec;
  if (!fs::is_directory(dir.empty() ? fs::path(".") : dir, ec)) {
    error = "no folder " + dir.string();
    return std::nullopt;
  }
  std::optional<FolderLock> held = hold_folder_for_reading(dir, err, error);
  if (!error.empty()) return std::nullopt;

  const std::optional<ScenarioNames> names = find_compiled_scenario(dir, line, train, error);
  if (!names) return std::nullopt;
  if (const std::string why = names_collide(names->line, names->train); !why.empty()) {
    error = "train number '" + names->train + "': " + why;
    return std::nullopt;
  }

  FolderScenario f;
  f.names = *names;
  f.timetable_path = dir / timetable_name(names->line, names->train);
  f.route_path = dir / route_name(names->line, names->train);
  f.plan_path = dir / line_plan_name(names->line);
  const fs::path* reading = &f.timetable_path;
  try {
    const std::optional<std::string> timetable =
        read_if_there(f.timetable_path, kLargestTimetableFile, "timetable");
    if (!timetable) {
      error = "no compiled scenario: " + f.timetable_path.string() + " is missing";
      return std::nullopt;
    }
    f.files.timetable = decode_timetable(*timetable);
    reading = &f.route_path;
    const std::optional<std::string> route = read_if_there(f.route_path, kLargestRouteFile, "route");
    if (!route) {
      error = "no compiled scenario: " + f.route_path.string() + " is missing";
      return std::nullopt;
    }
    f.files.route = decode_route(*route);
    reading = &f.plan_path;
    if (const std::optional<std::string> plan =
            read_if_there(f.plan_path, kLargestLinePlanFile, "line plan"))
      f.files.plan = decode_line_plan(*plan);
  } catch (const FormatError& e) {
    error = reading->string() + " is damaged: " + e.what();
    return std::nullopt;
  } catch (const FileError& e) {
    error = "cannot read " + e.path().string() + ": " + e.reason();
    return std::nullopt;
  }
  error = mismatch(f);
  if (!error.empty()) return std::nullopt;
  return f;
}

}  // namespace scenarioc
