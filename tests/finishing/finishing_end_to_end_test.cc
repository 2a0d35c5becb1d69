// A slow-down, two signals and a point compiled with the command line: the
// route file shows the points the finishing pass adds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile_fixture.h"
#include "format/route_file.h"
#include "test_util.h"

namespace scenarioc {
namespace {

TEST(FinishingEndToEnd, PointsAroundASlowDownReachTheRouteFile) {
  testing::TempDir dir;
  // Slow-down at 60 km/h from 5000 m for 1000 m: warning board in cell 77
  // (approach cells 76 to 73), start in cell 101, end in cell 121.
  // Signal at 3500 m in cell 71, 6 cells behind the board; signal at 6300 m in
  // cell 127, 6 cells after the end. A point of 250 at 5450 m in cell 109.
  testing::spit(dir / "Prova_linea.txt", testing::line_file(""));
  testing::spit(dir / "Prova_9-.txt",
                testing::train_file(
                    "segnale,   3500,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n"
                    "segnale,   6300,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n"
                    "rallentamento,  5000,  60,  1000,  0,  1,  0\r\n"
                    "abbattimento,  5450,  250\r\n"));
  const testing::RunResult r = testing::run_scenarioc(
      {"compile", (dir / "Prova_linea.txt").string(), (dir / "Prova_9-.txt").string(),
       "--dir", dir.path().string()},
      dir.path());
  ASSERT_EQ(r.status, 0) << r.err;

  const std::vector<RouteCell> route = decode_route(testing::slurp(dir / "Prova_9.dat"));
  ASSERT_EQ(route.size(), 341u);  // (10000 + 7000) / 50 = 340 cells after cell 0
  auto kind = [&](int c) { return route[static_cast<size_t>(c)].kind; };
  auto code1 = [&](int c) { return route[static_cast<size_t>(c)].code1; };

  // By hand: 70 in front of the signal behind the board; 96, 90 and 83 at the
  // three distances in front of the start; inside, cell 109 holds the 250 point,
  // so 108 takes the first one and the next is due 8 later, at 116; 126 in
  // front of the first signal after the end.
  std::vector<int> points;
  for (int c = 0; c <= 340; ++c)
    if (kind(c) == kPointWithValue) points.push_back(c);
  EXPECT_EQ(points, (std::vector<int>{70, 83, 90, 96, 108, 109, 116, 126}));
  for (int c : points) EXPECT_EQ(code1(c), c == 109 ? 250 : 180) << "cell " << c;
  EXPECT_EQ(kind(101), kSlowDownStart);
  EXPECT_EQ(kind(121), kSlowDownEnd);
  EXPECT_EQ(code1(1), 5121);
}

}  // namespace
}  // namespace scenarioc
