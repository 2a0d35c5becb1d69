// The line name and train number of a user's scenario: from the names of its
// source files (N_linea.txt and N_T-.txt) or from options, and checked before
// they become parts of file names.
#pragma once

#include <optional>
#include <string>

namespace scenarioc {

// "Valdena_linea.txt" gives "Valdena".
std::optional<std::string> line_name_from_file(const std::string& file_name);

struct TrainFileNames {
  std::string line_name;
  std::string train_number;
};
// "Valdena_704-.txt" gives "Valdena" and "704" (split at the last "_").
std::optional<TrainFileNames> names_from_train_file(const std::string& file_name);

// Empty when `name` may be part of a file name; otherwise why not.
std::string name_problem(const std::string& name);

}  // namespace scenarioc
