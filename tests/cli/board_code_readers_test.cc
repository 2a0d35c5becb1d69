// A board's speed code read by the three readers of compiled files: the
// plot, the dump and the decompiler must show one speed for it, a negative
// code too (-7 is vas -1 with vad 65, not vas 0 with vad -35).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/dump.h"
#include "plot/plot_fixture.h"
#include "plot/plot_svg.h"
#include "decompiler/route_reader.h"
#include "format/route_file.h"

namespace scenarioc {
namespace {

TEST(BoardCodeReaders, PlotDumpAndDecompileReadANegativeCodeAsTheSameSpeed) {
  testing::DecodedScenario s = testing::decoded_short_scenario();
  size_t board = 0;
  while (board < s.route.size() && s.route[board].kind != kSpeedBoard) ++board;
  ASSERT_LT(board, s.route.size());
  RouteCell& cell = s.route[board];
  cell.code1 = -7;    // vas -1, vad 65
  cell.code2 = -40;   // vbs -2, vbd 0
  cell.code3 = 1219;  // vcs 60, vcd 95

  // The decompiler writes the board's line from it.
  const std::string line = route_reading::board_line(static_cast<int64_t>(board), cell);
  EXPECT_NE(line.find(",  -1,  -2,  60,"), std::string::npos) << line;
  EXPECT_NE(line.find(",  65,  ,  95,"), std::string::npos) << line;

  // The plot's item data shows the pairs.
  const PlotDrawing drawing =
      plot_drawing(plot_data(s.route, s.rows, &s.plan, PlotRange{}), "", true);
  EXPECT_NE(drawing.data.find("-7 (vas -1, vad 65)"), std::string::npos);
  EXPECT_NE(drawing.data.find("-40 (vbs -2, vbd 0)"), std::string::npos);
  EXPECT_NE(drawing.data.find("1219 (vcs 60, vcd 95)"), std::string::npos);

  // The dump's JSON gives them beside the raw codes.
  ::scenarioc::testing::TempDir dir;
  const std::filesystem::path route = dir / "Borgo_12.dat";
  ::scenarioc::testing::spit(route, encode_route(s.route));
  std::ostringstream out, err;
  ASSERT_EQ(dump_command(route.string(), true, false, out, err), 0) << err.str();
  const nlohmann::json j = nlohmann::json::parse(out.str());
  const nlohmann::json& c = j["cells"][board];
  ASSERT_EQ(c["code1"], -7);
  EXPECT_EQ(c["board_speeds"], nlohmann::json::parse(
                                   R"([{"s":-1,"d":65},{"s":-2,"d":0},{"s":60,"d":95}])"));
}

}  // namespace
}  // namespace scenarioc
