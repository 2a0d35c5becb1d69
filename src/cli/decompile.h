// `scenarioc decompile`: the two sources of a compiled scenario, written
// back from its three files and proven by compiling them again.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace scenarioc {

struct DecompileOptions {
  std::filesystem::path dir = ".";      // where the compiled files are
  std::optional<std::string> line_name;  // with train_number: which scenario of the folder
  std::optional<std::string> train_number;
  std::filesystem::path out_dir = ".";  // where the sources go
  bool force = false;                   // replace sources already there
};

// Exit status: 0 the sources give the same bytes; 1 they were written but
// some byte differs (each file's first difference is reported); 2 nothing
// written (no scenario found, damaged files, a source already there).
int decompile_command(const DecompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace scenarioc
