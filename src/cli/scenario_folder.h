// The compiled scenario of a folder, as `plot` and `decompile` read it: the
// one named, or the only one whose timetable (N_T.sim) lies there; its
// three files read whole under the folder's reading hold, each bounded by its
// layout, and checked to come from one compile.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "decompiler/decompile.h"

namespace scenarioc {

struct ScenarioNames {
  std::string line, train;
};

// The scenario, or nothing with `error` saying why (none there, or more than
// one and no names to choose by).
std::optional<ScenarioNames> find_compiled_scenario(const std::filesystem::path& dir,
                                                    const std::optional<std::string>& line,
                                                    const std::optional<std::string>& train,
                                                    std::string& error);

// The whole of a compiled file, refused before it is read when it is larger
// than its layout allows for the longest route (`largest`, the format's own
// bound): a damaged or foreign file must not take the machine's memory.
// `kind` names the file in the refusal ("line plan"). Throws FormatError for
// a file too large, FileError for one that cannot be read.
std::string read_compiled_file(const std::filesystem::path& path, uint64_t largest,
                               std::string_view kind);

// A folder's compiled scenario: its names, where its files lie and what they
// hold. The plan is left out when the folder has no plan file.
struct FolderScenario {
  ScenarioNames names;
  std::filesystem::path timetable_path, route_path, plan_path;
  CompiledScenario files;
};

// Reads the compiled scenario of `dir` (named by `line` and `train`, or the
// only one there), holding the folder for reading meanwhile so that no
// writer changes one file of the set while another is read. The three files
// of one compile agree on the line's length: the timetable keeps it, the
// route has a cell every 50 m of it and of the run-off, the plan a point
// every metre. Nothing, with `error` the one-line refusal, for a folder
// that is not there, holds no such scenario, names that make two files one,
// a file missing, damaged or unreadable, or files of two compiles.
std::optional<FolderScenario> read_folder_scenario(const std::filesystem::path& dir,
                                                   const std::optional<std::string>& line,
                                                   const std::optional<std::string>& train,
                                                   std::ostream& err, std::string& error);

}  // namespace scenarioc
