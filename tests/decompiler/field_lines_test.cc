// The lines that rebuild one field of the cells (gradients here), the
// mountain stretches, and the progressives: each set of lines is compiled
// and must give the cells or rows it came from.
#include <gtest/gtest.h>

#include "decompiler/decompile_fixture.h"
#include "decompiler/fills.h"
#include "decompiler/general.h"
#include "decompiler/mountains.h"

namespace scenarioc {
namespace {

using testing::line_with;

constexpr int kCells = 340;  // a line of 10 km: (10000 + 7000) / 50

Scenario compile_line(const std::string& line) {
  return compile(line, testing::train_with(""), {"Prova", "9", true}).scenario;
}

std::vector<uint8_t> gradients_of(const Scenario& s) {
  std::vector<uint8_t> g;
  for (const RouteCell& c : s.route) g.push_back(c.gradient);
  return g;
}

struct FillCase {
  const char* name;
  // The gradient bytes, by runs: from cell `from` on, `value`.
  std::vector<std::pair<int, uint8_t>> runs;
  int end;    // cells from here on stay 0
  bool tail;  // the line file was read to its end
};

const FillCase kFills[] = {
    {"OneValue", {{0, 100}}, kCells - 2, true},
    {"Changes", {{0, 97}, {3, 110}, {50, 0}, {51, 255}, {200, 100}}, kCells - 2, true},
    {"ZerosAtTheEndAfterAStop", {{0, 103}, {40, 90}}, 120, false},
    {"PastTheLastNamedCellWithTheTail", {{0, 103}, {kCells - 3, 104}, {kCells - 1, 105}}, kCells + 1, true},
    {"PastTheLastNamedCellWithoutTheTail", {{0, 103}, {kCells - 2, 104}, {kCells, 105}}, kCells + 1, false},
};

class Fills : public ::testing::TestWithParam<FillCase> {};

TEST_P(Fills, GiveBackTheCells) {
  const FillCase& c = GetParam();
  std::vector<uint8_t> want(kCells + 1, 0);
  for (size_t i = 0; i < c.runs.size(); ++i) {
    const int to = i + 1 < c.runs.size() ? c.runs[i + 1].first : c.end;
    for (int cell = c.runs[i].first; cell < to; ++cell) want[static_cast<size_t>(cell)] = c.runs[i].second;
  }
  std::string data;
  for (const FillLine& l : fill_lines(want, FillField::kGradient, c.tail))
    data += "pendenza,  " + std::to_string(l.position) + ",  " + std::to_string(l.value) + "\r\n";
  if (!c.tail) data += "pendenza,  STOP\r\n";
  EXPECT_EQ(gradients_of(compile_line(line_with(data))), want) << data;
}

INSTANTIATE_TEST_SUITE_P(Cases, Fills, ::testing::ValuesIn(kFills),
                         [](const ::testing::TestParamInfo<FillCase>& i) { return std::string(i.param.name); });

struct MountainCase {
  const char* name;
  const char* lines;
};

const MountainCase kMountains[] = {
    {"OneMarkedStretch", "montagna,   1000,  3000,  12\r\n"},
    {"TypesTenAndZero", "montagna,   1000,  2000,  10\r\nmontagna,   4000,  5000,  0\r\n"},
    // The second starts where the first ends and is stored as type 3.
    {"Adjacent", "montagna,   1000,  2000,  2\r\nmontagna,   2000,  3000,  2\r\nmontagna,   3100,  4000,  1\r\n"},
    {"CalledBackwards", "montagna,   5000,  6000,  12\r\nmontagna,   1000,  2000,  2\r\n"},
    {"OverlappingLattices", "montagna,   1000,  3000,  13\r\nmontagna,   2000,  4000,  11\r\n"},
    // A stretch of type 3 paints over the first cells of a marked one,
    // whose first marker is then the run's second cell.
    {"MarkerNearTheStartOfARun", "montagna,   1000,  3000,  12\r\nmontagna,   500,  1100,  13\r\n"},
    {"TypeZeroOverMarkers",
     "montagna,   1000,  3000,  12\r\nmontagna,   500,  600,  1\r\nmontagna,   1500,  2000,  0\r\n"},
    {"BoardsOnTheLattice",
     "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0\r\nmontagna,   1000,  3000,  12\r\n"},
};

class Mountains : public ::testing::TestWithParam<MountainCase> {};

TEST_P(Mountains, GiveBackTypesAndMarkers) {
  const Scenario original = compile_line(line_with(GetParam().lines));
  const MountainLines recovered = mountain_lines(original.route);
  ASSERT_EQ(recovered.problem, "");
  std::string data;
  for (const MountainLine& m : recovered.lines)
    data += "montagna,   " + std::to_string(m.inizio) + ",  " + std::to_string(m.fine) + ",  " +
            std::to_string(m.tipo) + "\r\n";
  // The boards of the case, again.
  const std::string lines = GetParam().lines;
  for (size_t at = 0; (at = lines.find("indicatori", at)) != std::string::npos; at = lines.find('\n', at))
    data += lines.substr(at, lines.find('\n', at) - at + 1);
  const Scenario again = compile_line(line_with(data));
  for (size_t c = 0; c < original.route.size(); ++c) {
    EXPECT_EQ(again.route[c].mountain, original.route[c].mountain) << "cell " << c << "\n" << data;
    EXPECT_EQ(again.route[c].kind, original.route[c].kind) << "cell " << c << "\n" << data;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Mountains, ::testing::ValuesIn(kMountains),
                         [](const ::testing::TestParamInfo<MountainCase>& i) { return std::string(i.param.name); });

TEST(Mountains, MoreStretchesThanALineHoldsAreAProblemNotLines) {
  // 81 separate runs need 81 stretches; a line holds 80.
  std::vector<RouteCell> route(1000);
  for (int i = 0; i < 81; ++i) route[static_cast<size_t>(10 + 7 * i)].mountain = 2;
  const MountainLines recovered = mountain_lines(route);
  EXPECT_TRUE(recovered.lines.empty());
  EXPECT_NE(recovered.problem.find("more than the 80"), std::string::npos) << recovered.problem;
}

struct ProgressiveCase {
  const char* name;
  const char* lines;
};

const ProgressiveCase kProgressives[] = {
    {"AsBuiltIn",
     "progressiva chilometrica uno,    0,    214000,    1\r\nprogressiva chilometrica due,    84000,    230000,    1\r\n"
     "progressiva chilometrica tre,    96000,    214000,    1\r\n"},
    {"Rising",
     "progressiva chilometrica uno,    9000,    1000,    1\r\nprogressiva chilometrica due,    5000,    2000,    2\r\n"
     "progressiva chilometrica tre,    100,    3000,    1\r\n"},
    {"FarthestStartsTied",
     "progressiva chilometrica due,    5000,    2000,    1\r\nprogressiva chilometrica tre,    5000,    3000,    1\r\n"},
    {"AllAtZeroChosenByValue",
     "progressiva chilometrica uno,    0,    1000,    1\r\nprogressiva chilometrica due,    0,    2000,    0\r\n"},
    {"OnlyTre", "progressiva chilometrica tre,    0,    0,    1\r\n"},
};

class Progressives : public ::testing::TestWithParam<ProgressiveCase> {};

TEST_P(Progressives, GiveBackTheOrderedRows) {
  auto general = [](const std::string& lines) {
    return "[generale]\r\nlunghezza percorso,    10000\r\n" + lines + "[curve]\r\n[fine]\r\n";
  };
  const Scenario original = compile_line(general(GetParam().lines));
  const std::optional<std::array<Progressive, 3>> rows =
      progressives_before_ordering(original.scenario_table);
  ASSERT_TRUE(rows);
  std::string lines;
  for (const SourceLine& l : progressive_lines(*rows)) lines += l.text + "\r\n";
  const Scenario again = compile_line(general(lines));
  for (int r = 81; r <= 83; ++r) {
    EXPECT_EQ(again.scenario_table[r].start_pos, original.scenario_table[r].start_pos) << lines;
    EXPECT_EQ(again.scenario_table[r].stop_pos, original.scenario_table[r].stop_pos) << lines;
    EXPECT_EQ(again.scenario_table[r].position, original.scenario_table[r].position) << lines;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Progressives, ::testing::ValuesIn(kProgressives),
                         [](const ::testing::TestParamInfo<ProgressiveCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace scenarioc
