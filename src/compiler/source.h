// A text source as the compiler reads it: a file, or text held in memory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace scenarioc {

struct Source {
  std::string label;            // its name in diagnostics, as the user gave it
  std::filesystem::path path;   // where it lives, when it is a file
  std::optional<std::string> content;  // text in memory instead of the file
  bool consume = false;         // delete the file once read (built-in run only)
};

}  // namespace scenarioc
