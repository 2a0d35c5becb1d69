#include "model/scenario_names.h"

#include <utility>
#include <vector>

#include "model/file_names.h"

namespace scenarioc {
namespace {

constexpr size_t kLongestName = 100;

// Letters of either case as one. The fixed parts of the names are ASCII, and
// no other Windows-1252 letter folds to an ASCII one, so folding ASCII alone
// finds every pair the platform takes for one file.
std::string folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::optional<std::string> line_name_from_file(const std::string& file_name) {
  const std::string tail = "_linea.txt";
  if (!ends_with(file_name, tail) || file_name.size() == tail.size()) return std::nullopt;
  return file_name.substr(0, file_name.size() - tail.size());
}

std::optional<TrainFileNames> names_from_train_file(const std::string& file_name) {
  const std::string tail = "-.txt";
  if (!ends_with(file_name, tail)) return std::nullopt;
  const std::string stem = file_name.substr(0, file_name.size() - tail.size());
  const size_t cut = stem.rfind('_');
  if (cut == std::string::npos || cut == 0 || cut + 1 == stem.size()) return std::nullopt;
  return TrainFileNames{stem.substr(0, cut), stem.substr(cut + 1)};
}

std::string name_problem(const std::string& name) {
  if (name.empty()) return "it is empty";
  if (name.size() > kLongestName)
    return "it is longer than " + std::to_string(kLongestName) + " bytes";
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
    return "it holds a path separator";
  if (name.find("..") != std::string::npos) return "it holds \"..\"";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f) return "it holds a control character";
  return "";
}

std::string names_collide(const std::string& L, const std::string& T) {
  const std::pair<const char*, std::string> files[] = {
      {"the line file", line_source_name(L)},
      {"the train file", train_source_name(L, T)},
      {"the line plan file", line_plan_name(L)},
      {"the timetable file", timetable_name(L, T)},
      {"the route file", route_name(L, T)},
  };
  for (size_t i = 0; i < std::size(files); ++i)
    for (size_t j = i + 1; j < std::size(files); ++j)
      if (folded(files[i].second) == folded(files[j].second))
        return std::string(files[j].first) + " " + files[j].second + " would be " +
               files[i].first + " " + files[i].second +
               (files[i].second == files[j].second ? "" : " (letter case aside)") +
               ": one file for two; choose another train number";
  return "";
}

}  // namespace scenarioc
