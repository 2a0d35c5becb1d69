// Which compiled scenario of a folder a command reads: the one named, or the
// only one whose timetable (N_T.sim) lies there. `plot` and `decompile` find
// theirs so.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace scenarioc
