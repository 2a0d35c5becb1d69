#include "model/file_names.h"

#include <algorithm>

namespace scenarioc {

std::string line_source_name(const std::string& L) { return L + "_linea.txt"; }
std::string train_source_name(const std::string& L, const std::string& T) {
  return L + "_" + T + "-.txt";
}
std::string form_name(const std::string& L, const std::string& T,
                      const std::string& form) {
  return L + "_" + T + "_" + form;
}
std::string line_plan_name(const std::string& L) { return L + "_linea.dat"; }
std::string timetable_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".sim";
}
std::string route_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".dat";
}

namespace {

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// L from L_linea.txt or L_linea.dat.
bool line_of(const std::string& name, const std::string& tail, std::string& L) {
  if (!ends_with(name, tail)) return false;
  L = name.substr(0, name.size() - tail.size());
  return true;
}

// T from L_T-.txt.
bool train_of(const std::string& name, const std::string& L, std::string& T) {
  const std::string head = L + "_", tail = "-.txt";
  if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
      !ends_with(name, tail))
    return false;
  T = name.substr(head.size(), name.size() - head.size() - tail.size());
  return true;
}

// The names in the order the writers give them.
bool in_written_order(const std::vector<std::string>& names) {
  std::string L, T;
  // The compiled scenario, with its line plan.
  if (names.size() == 3 && line_of(names[0], "_linea.dat", L) &&
      names[1].compare(0, L.size() + 1, L + "_") == 0 && ends_with(names[1], ".sim")) {
    T = names[1].substr(L.size() + 1, names[1].size() - L.size() - 1 - 4);
    return !T.empty() && names[1] == timetable_name(L, T) && names[2] == route_name(L, T);
  }
  // Without it: L_T.sim and L_T.dat, however the stem splits.
  if (names.size() == 2 && ends_with(names[0], ".sim")) {
    const std::string stem = names[0].substr(0, names[0].size() - 4);
    return stem.find('_') != std::string::npos && names[1] == stem + ".dat";
  }
  // The two sources, and the built-in scenario's five text files.
  if ((names.size() == 2 || names.size() == 5) && line_of(names[0], "_linea.txt", L) &&
      train_of(names[1], L, T)) {
    return names.size() == 2 ||
           (names[2] == form_name(L, T, "note.txt") &&
            names[3] == form_name(L, T, "rallentamenti.txt") &&
            names[4] == form_name(L, T, "scheda_treno.txt"));
  }
  return false;
}

}  // namespace

bool is_one_written_set(const std::vector<std::string>& names) {
  if (names.size() > 5) return false;
  // In any order: five names have 120 orders at most. Two files of one name
  // (a train numbered "linea" makes its route the line plan) are no set.
  std::vector<std::string> order = names;
  std::sort(order.begin(), order.end());
  if (std::adjacent_find(order.begin(), order.end()) != order.end()) return false;
  do
    if (in_written_order(order)) return true;
  while (std::next_permutation(order.begin(), order.end()));
  return false;
}

}  // namespace scenarioc
