// Compiles a line file and a train file held in memory, for parser tests.
#pragma once

#include <string>

#include "compiler/parse_sources.h"

namespace scenarioc::testing {

// A line file of `length` metres with `data` lines after its general data.
inline std::string line_file(const std::string& data, int length = 10000) {
  return "[generale]\r\nlunghezza percorso,    " + std::to_string(length) +
         "\r\n[curve]\r\n" + data + "[fine]\r\n";
}

inline std::string train_file(const std::string& data) {
  return "[generale]\r\n" + data + "[fine]\r\n";
}

inline Scenario compile_text(const std::string& line, const std::string& train,
                             int32_t j = 1) {
  Scenario s;
  s.line_name = "Prova";
  s.train_number = "9";
  s.build_line_plan = j != 0;
  s.clear_scenario_table();
  TextSources sources({"Prova_linea.txt", line}, {"Prova_9-.txt", train});
  parse_sources(s, sources);
  return s;
}

}  // namespace scenarioc::testing
