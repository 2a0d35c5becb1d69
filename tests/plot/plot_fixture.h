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

// Two small lines for the drawing's layout, as an author writes them.
// Monte: an 8 km mountain branch running north (the plan starts heading
// north), its posts counted from km 12+000, a slow-down, two signs, a signal
// and a sign standing on 2000 and 6000 for stretches cut there, and a leg
// the timetable makes faster than the speed limits allow.
inline const char kNorthSouthLine[] =
    "[generale]\r\n"
    "lunghezza percorso,    8000\r\n"
    "progressiva chilometrica uno,    0,    12000,    0\r\n"
    "[curve]\r\n"
    "curvas1,  2000,  800\r\n"
    "curvad1,  4200,  800\r\n"
    "[pendenze]\r\n"
    "pendenza,   0,    12\r\n"
    "pendenza,  2500,   25\r\n"
    "pendenza,  5000,   -6\r\n"
    "pendenza,  6500,   18\r\n"
    "[montagne]\r\n"
    "montagna,   2500,  5000,  12\r\n"
    "[cartelli]\r\n"
    "indicatori_vmax,  2900,  60,  70,  80,  0,  ,  ,  ,  0\r\n"
    "[indicazioni]\r\n"
    "cartello indicatore,  3500,  GALLERIA DEL MONTE\r\n"
    "cartello indicatore,  6000,  PASSAGGIO A LIVELLO\r\n"
    "[fine]\r\n";
inline const char kNorthSouthTrain[] =
    "[generale]\r\n"
    "numero vetture,    3\r\n"
    "percentuale massa frenata,    120\r\n"
    "orologio,    9               0            0\r\n"
    "[aderenze]\r\n"
    "aderenza,       0,    90\r\n"
    "[vel_limite]\r\n"
    "velocita,   0,    60\r\n"
    "velocita,   3000,   80\r\n"
    "[stazioni]\r\n"
    "stazione,     500,  8,  200,  1, 0, 0,  4,1,0,  2,1,1,    1,   9, 2, 0, VALLE\r\n"
    "stazione,    3000,  2,  200,  0, 0, 0,  1,1,0,  4,1,1,   30,   9, 5, 0, COLLE DI MEZZO\r\n"
    "stazione,    5500,  2,  200,  0, 0, 0,  1,1,0,  4,1,1,   30,   9, 6, 0, ALPE\r\n"
    "stazione,    7600,  6,  200,  1, 0, 0,  1,1,0,  2,1,1,    0,   9,11, 0, CIMA\r\n"
    "[rallentamenti]\r\n"
    "rallentamento,  4000,  30,  300,  0,  1,  0\r\n"
    "[segnali]\r\n"
    "segnale,    2000,   1, 4, 0,  0, 0,    0,  2,1,1, 0\r\n"
    "segnale,    5000,   1, 4, 0,  0, 0,    0,  2,1,1, 0\r\n"
    "[fine]\r\n";

// Piana: 6 km across a plain, turning east at once; no progressive, so its
// posts count metres from the start.
inline const char kEastWestLine[] =
    "[generale]\r\n"
    "lunghezza percorso,    6000\r\n"
    "[curve]\r\n"
    "curvad6,  100,  524\r\n"
    "curvas2,  3000,  300\r\n"
    "curvad2,  3600,  300\r\n"
    "[pendenze]\r\n"
    "pendenza,   0,    2\r\n"
    "pendenza,  3000,   -3\r\n"
    "[fine]\r\n";
inline const char kEastWestTrain[] =
    "[generale]\r\n"
    "numero vetture,    5\r\n"
    "percentuale massa frenata,    120\r\n"
    "orologio,    14               0            0\r\n"
    "[aderenze]\r\n"
    "aderenza,       0,    90\r\n"
    "[vel_limite]\r\n"
    "velocita,   0,    100\r\n"
    "[stazioni]\r\n"
    "stazione,     600,  8,  200,  1, 0, 0,  4,1,0,  2,1,1,    1,   14, 2, 0, PIANA\r\n"
    "stazione,    2500,  2,  200,  0, 0, 0,  1,1,0,  4,1,1,   30,   14, 5, 0, CASCINE\r\n"
    "stazione,    5500,  6,  200,  1, 0, 0,  1,1,0,  2,1,1,    0,   14, 9, 0, PONTE\r\n"
    "[fine]\r\n";

inline DecodedScenario decoded_scenario(const std::string& line, const std::string& train,
                                        const std::string& line_name,
                                        const std::string& train_number) {
  return decoded(compile(line, train, {line_name, train_number, true}));
}

}  // namespace scenarioc::testing
