// The name of every file of a scenario, from the line name L and the train
// number T. All of them live in one directory.
#pragma once

#include <string>
#include <vector>

namespace scenarioc {

std::string line_source_name(const std::string& L);                        // L_linea.txt
std::string train_source_name(const std::string& L, const std::string& T);  // L_T-.txt
std::string form_name(const std::string& L, const std::string& T,
                      const std::string& form);                            // L_T_form
std::string line_plan_name(const std::string& L);                          // L_linea.dat
std::string timetable_name(const std::string& L, const std::string& T);    // L_T.sim
std::string route_name(const std::string& L, const std::string& T);        // L_T.dat

// Whether `names`, in this order, are the files of one set the program
// replaces together in a folder: a compiled scenario (the line plan when it
// is built, the timetable, the route), the two sources decompile writes
// back, or the five text files of the built-in scenario. A journal naming
// anything else is none of the program's.
bool is_one_written_set(const std::vector<std::string>& names);

}  // namespace scenarioc
