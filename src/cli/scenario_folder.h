// Which compiled scenario of a folder a command reads: the one named, or the
// only one whose timetable (N_T.sim) lies there. `plot` and `decompile` find
// theirs so.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

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

}  // namespace scenarioc
