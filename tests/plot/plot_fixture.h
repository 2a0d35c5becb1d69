// Scenarios for the line diagram tests, compiled in memory and read back
// through the decoders of the compiled files, as `plot` reads them.
#pragma once

#include <string>
#include <vector>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "plot/plot_data.h"
#include "compiler/compile.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "test_util.h"

namespace scenarioc::testing {

struct DecodedScenario {
  std::vector<RouteCell> route;
  Timetable rows;
  DecodedPlan plan;
};

inline DecodedScenario decoded(const CompileResult& r) {
  DecodedScenario d;
  d.route = decode_route(encode_route(r.scenario));
  d.rows = decode_timetable(encode_timetable(r.scenario));
  std::string plan;
  encode_line_plan(r.scenario.track_plan, [&](std::string_view piece) { plan += piece; });
  d.plan = decode_line_plan(plan);
  return d;
}

// The built-in line Valdena with train 704: 220 km, 21 stations.
inline const DecodedScenario& decoded_builtin_scenario() {
  static const DecodedScenario d = decoded(compile(text_file_bytes(line_source_table()),
                                                   text_file_bytes(train_source_table()),
                                                   {"Valdena", "704", true}));
  return d;
}

// Borgo with train 12: 2 km, three stations, two signals, two speed boards,
// a sign, a slow-down and a point.
inline const DecodedScenario& decoded_short_scenario() {
  static const DecodedScenario d =
      decoded(compile(slurp(std::string(SCENARIOC_TEST_DATA) + "/plot/Borgo_linea.txt"),
                      slurp(std::string(SCENARIOC_TEST_DATA) + "/plot/Borgo_12-.txt"),
                      {"Borgo", "12", true}));
  return d;
}

}  // namespace scenarioc::testing
