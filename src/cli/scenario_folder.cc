#include "cli/scenario_folder.h"

#include <algorithm>
#include <vector>

#include "format/format_error.h"
#include "model/file_names.h"
#include "platform/file_io.h"

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

}  // namespace scenarioc
