#include "cli/author_compile.h"

#include <gtest/gtest.h>

#include <string>

namespace scenarioc {
namespace {

// What the rows after the stop hold, counted by their keys as the parsers
// read them; headers, comments and the stopping row itself are not items.
TEST(ItemsNotCompiled, CountsTheRowsAfterTheStopByTheirKeys) {
  const std::string train =
      "[generale]\n"                                               // 1
      "stazione,    0, 8, 500, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,52, 0, A\n"  // 2
      "segnale,    2200,   1, 4, 0,  0, 0,    0,  2,1,1, 0\n"      // 3: the stop
      "[stazioni]\n"                                               // 4
      "stazione,  3400, 2, 400, 0, 0, 0, 1,1,0, 4,1,1, 0, 0, 0, 0, B\r\n"  // 5
      "segnale,    6050,   1, 4, 0,  0, 0,    0,  2,1,1, 0\n"      // 6
      "segnale,    7050,   1, 4, 0,  0, 0,    0,  2,1,1, 0\n"      // 7
      "rallentamento, 9000, 9500, 30\n"                            // 8
      "[fine]";                                                    // 9
  const std::string line =
      "[generale]\n"
      "lunghezza percorso,    220000\n"
      "[curve]\n"
      "curvad1,  8500,  7300\n"
      "curvas3,  18500,  700\n"
      "pendenza,  500,   -3\n"
      "cartello indicatore,  1100,  PONTE\n"
      "[fine]\n";
  struct Case {
    const char* what;
    const std::string& text;
    SourceRole role;
    int stopped_at;
    std::string expected;
  };
  const Case cases[] = {
      {"train file after row 3", train, SourceRole::kTrain, 3,
       "1 station, 2 signals, 1 slow-down"},
      {"train file after row 6", train, SourceRole::kTrain, 6, "1 signal, 1 slow-down"},
      {"train file after its last item", train, SourceRole::kTrain, 8, ""},
      {"a line file never reached", line, SourceRole::kLine, 0, "2 curves, 1 gradient, 1 sign"},
      {"line keys are not counted in the train file", line, SourceRole::kTrain, 0, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(items_not_compiled(c.text, c.role, c.stopped_at), c.expected) << c.what;
}

}  // namespace
}  // namespace scenarioc
