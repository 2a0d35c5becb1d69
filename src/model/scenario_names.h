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

// Empty when the files a line name and a train number give (the two sources
// and the three compiled files) all have names of their own; otherwise which
// two are one. The simulator's platform ignores letter case in file names,
// so names equal but for case are one file too: the train number "linea" (or
// "Linea") makes the route file L_linea.dat, the line plan's name.
std::string names_collide(const std::string& line_name, const std::string& train_number);

}  // namespace scenarioc
