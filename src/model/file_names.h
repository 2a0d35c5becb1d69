// The name of every file of a scenario, from the line name L and the train
// number T. All of them live in one directory.
#pragma once

#include <string>

namespace scenarioc {

std::string line_source_name(const std::string& L);                        // L_linea.txt
std::string train_source_name(const std::string& L, const std::string& T);  // L_T-.txt
std::string form_name(const std::string& L, const std::string& T,
                      const std::string& form);                            // L_T_form
std::string line_plan_name(const std::string& L);                          // L_linea.dat
std::string timetable_name(const std::string& L, const std::string& T);    // L_T.sim
std::string route_name(const std::string& L, const std::string& T);        // L_T.dat

}  // namespace scenarioc
