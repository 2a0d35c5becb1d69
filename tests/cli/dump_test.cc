// `scenarioc dump`: the built-in scenario's three files in words and as
// JSON, the JSON's raw values against the tables that made the files, and
// the one-line refusal of a file that is not a compiled one.
#include "cli/dump.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "format/compiled_scenarios.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using nlohmann::json;
using testing::TempDir;

struct Dump {
  int status;
  std::string out, err;
};

Dump dump(const std::filesystem::path& file, bool as_json = false, bool all = false) {
  std::ostringstream out, err;
  const int status = dump_command(file.string(), as_json, all, out, err);
  return {status, out.str(), err.str()};
}

size_t lines(const std::string& s) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

bool same_bits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// The built-in scenario compiled in memory, its files written under their
// names into a scratch folder.
class BuiltinDump : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::spit(route_path, c.route);
    testing::spit(timetable_path, c.timetable);
    testing::spit(plan_path, c.plan);
  }
  const testing::CompiledScenario& c = testing::builtin_scenario();
  TempDir dir;
  const std::filesystem::path route_path = dir / "Valdena_704.dat";
  const std::filesystem::path timetable_path = dir / "Valdena_704.sim";
  const std::filesystem::path plan_path = dir / "Valdena_linea.dat";
};

TEST_F(BuiltinDump, RouteInWordsShowsTheOccupiedCellsOrEveryOne) {
  const Dump d = dump(route_path);
  ASSERT_EQ(d.status, 0) << d.err;
  EXPECT_EQ(d.err, "");
  EXPECT_NE(d.out.find("route, 4541 cells of 50 m (68115 bytes), metres 0 to 227000"),
            std::string::npos);
  const size_t occupied =
      static_cast<size_t>(std::count_if(c.scenario.route.begin(), c.scenario.route.end(),
                                        [](const RouteCell& cell) { return cell.kind != kEmpty; }));
  EXPECT_EQ(lines(d.out), 3 + occupied);
  // Cell 9 holds the stop of the first station, in row 1; 30 km/h there.
  EXPECT_NE(d.out.find("\n     9     450  station stop                      1"), std::string::npos)
      << d.out.substr(0, 600);
  EXPECT_EQ(lines(dump(route_path, false, true).out), 3 + c.scenario.route.size());
}

TEST_F(BuiltinDump, TimetableInWordsShowsStationsTimesAndTheGeneralRows) {
  const Dump d = dump(timetable_path);
  ASSERT_EQ(d.status, 0) << d.err;
  for (const char* part :
       {"stations: 21", "06:52:00", "\"VALDENA CENTRALE\"", "\"MARINA DI VALDENA\"", "signs: 0",
        "row 81: from (m) 96000, value (m) 214100, flag 1",
        "braked mass (%) 130, route length (m) 220000, coaches 12", "line \"Valdena\"",
        "marker 610", "train \"704\"", "codes 9", "sand 300", "(clock 06:51:45)"})
    EXPECT_NE(d.out.find(part), std::string::npos) << part << "\n" << d.out;
  EXPECT_EQ(d.out.find("row 0 is not clear"), std::string::npos);
}

TEST_F(BuiltinDump, LinePlanInWordsShowsASummaryAndAPointEveryKilometre) {
  const Dump d = dump(plan_path);
  ASSERT_EQ(d.status, 0) << d.err;
  EXPECT_NE(
      d.out.find("227000 m long: metres 0 to 227000, 2 seeds, 226997 computed points, 2 empty"),
      std::string::npos)
      << d.out.substr(0, 400);
  EXPECT_NE(d.out.find("extent: x from "), std::string::npos);
  EXPECT_NE(d.out.find("\n     1000           0.000        1000.000\n"), std::string::npos);
  EXPECT_EQ(lines(d.out), 4 + 228u);  // metres 0, 1000, ..., 227000
  EXPECT_EQ(lines(dump(plan_path, false, true).out), 4 + 227001u);
}

TEST_F(BuiltinDump, RouteJsonHoldsEveryCellAsStored) {
  const Dump d = dump(route_path, true);
  ASSERT_EQ(d.status, 0) << d.err;
  const json j = json::parse(d.out);
  EXPECT_EQ(j["kind"], "route");
  const std::vector<RouteCell>& route = c.scenario.route;
  ASSERT_EQ(j["cells"].size(), route.size());
  for (size_t i = 0; i < route.size(); ++i) {
    const json& cell = j["cells"][i];
    const RouteCell& want = route[i];
    ASSERT_EQ(cell["cell"], i);
    EXPECT_EQ(cell["kind"], want.kind) << i;
    EXPECT_EQ(cell["code1"], want.code1) << i;
    EXPECT_EQ(cell["code2"], want.code2) << i;
    EXPECT_EQ(cell["code3"], want.code3) << i;
    EXPECT_EQ(cell["code4"], want.code4) << i;
    EXPECT_EQ(cell["signal_time"], want.signal_time) << i;
    EXPECT_EQ(cell["repeat_code"], want.repeat_code) << i;
    EXPECT_EQ(cell["mountain"], want.mountain) << i;
    EXPECT_EQ(cell["speed_limit"], want.speed_limit) << i;
    EXPECT_EQ(cell["gradient"], want.gradient) << i;
    EXPECT_EQ(cell["adhesion"], want.adhesion) << i;
    EXPECT_EQ(cell["metres"], i * 50) << i;
    EXPECT_EQ(cell["speed_limit_kmh"], want.speed_limit * 5) << i;
    EXPECT_EQ(cell["gradient_per_mille"], want.gradient - 100) << i;
  }
  EXPECT_EQ(j["cells"][1]["code1"], 5121);
  EXPECT_EQ(j["cells"][9]["occupant"], "station stop");
}

TEST_F(BuiltinDump, TimetableJsonHoldsEveryRowAsStored) {
  const Dump d = dump(timetable_path, true);
  ASSERT_EQ(d.status, 0) << d.err;
  const json j = json::parse(d.out);
  EXPECT_EQ(j["kind"], "timetable");
  ASSERT_EQ(j["rows"].size(), 87u);
  for (int i = 0; i < kScenarioRows; ++i) {
    const json& row = j["rows"][static_cast<size_t>(i)];
    const ScenarioRecord& want = c.scenario.scenario_table[static_cast<size_t>(i)];
    ASSERT_EQ(row["row"], i);
    EXPECT_EQ(row["type"], want.type) << i;
    EXPECT_EQ(row["start_pos"], want.start_pos) << i;
    EXPECT_EQ(row["stop_pos"], want.stop_pos) << i;
    EXPECT_EQ(row["position"], want.position) << i;
    EXPECT_EQ(row["byte_a"], want.byte_a) << i;
    EXPECT_EQ(row["text"], want.text) << i;  // plain ASCII in the built-in run
    EXPECT_EQ(row["int_a"], want.int_a) << i;
    EXPECT_EQ(row["int_b"], want.int_b) << i;
    EXPECT_EQ(row["int_c"], want.int_c) << i;
    EXPECT_EQ(row["int_d"], want.int_d) << i;
    EXPECT_EQ(row["int_e"], want.int_e) << i;
    EXPECT_EQ(row["byte_e"], want.byte_e) << i;
    EXPECT_EQ(row["byte_f"], want.byte_f) << i;
    EXPECT_EQ(row["byte_c"], want.byte_c) << i;
    EXPECT_EQ(row["byte_d"], want.byte_d) << i;
    EXPECT_EQ(row["time_s"], want.time_s) << i;
  }
  const json& first = j["rows"][1];
  EXPECT_EQ(first["holds"], "station");
  EXPECT_EQ(first["name"], "VALDENA CENTRALE");
  EXPECT_EQ(first["time"], "06:52:00");
  const json& train = j["rows"][86];
  EXPECT_EQ(train["holds"], "train");
  EXPECT_EQ(train["signal_repetition_to_m"], 220000);
  EXPECT_EQ(train["sand"], 300);
  EXPECT_EQ(train["clock"], "06:51:45");
  EXPECT_EQ(j["rows"][85]["line_code"], c.scenario.scenario_table[kLineRow].time_s);
  EXPECT_EQ(j["rows"][84]["braked_mass_percent"], 130);
  EXPECT_EQ(j["rows"][0]["holds"], "nothing");
}

// Every metre, with its kind of element: null where empty, an integer for a
// seed, a double (to the bit) for a computed point.
void expect_points_as_plan(const json& points, const testing::PlanValues& want) {
  for (const json& p : points) {
    const size_t m = p["metre"].get<size_t>();
    ASSERT_LT(m, want.x.size());
    for (const auto& [key, v] : {std::pair{"x", want.x[m]}, std::pair{"y", want.y[m]}}) {
      const json& got = p[key];
      switch (v.tag) {
        case TrackPlan::Tag::kEmpty:
          ASSERT_TRUE(got.is_null()) << key << m;
          break;
        case TrackPlan::Tag::kInteger:
          ASSERT_TRUE(got.is_number_integer()) << key << m;
          ASSERT_EQ(got.get<double>(), v.value) << key << m;
          break;
        case TrackPlan::Tag::kDouble:
          ASSERT_TRUE(got.is_number_float()) << key << m;
          ASSERT_TRUE(same_bits(got.get<double>(), v.value))
              << key << m << ": " << got.dump() << " against " << v.value;
          break;
      }
    }
  }
}

TEST_F(BuiltinDump, LinePlanJsonHoldsEveryMetreToTheBit) {
  const Dump d = dump(plan_path, true, true);
  ASSERT_EQ(d.status, 0) << d.err;
  const json j = json::parse(d.out);
  EXPECT_EQ(j["kind"], "line_plan");
  EXPECT_EQ(j["last_metre"], 227000);
  EXPECT_EQ(j["computed"], 226997);
  ASSERT_EQ(j["points"].size(), 227001u);
  const testing::PlanValues want = testing::expected_plan(c.scenario.track_plan);
  for (size_t m = 0; m < want.x.size(); m += 9973) ASSERT_EQ(j["points"][m]["metre"], m);
  expect_points_as_plan(j["points"], want);

  const json every_km = json::parse(dump(plan_path, true).out);
  ASSERT_EQ(every_km["points"].size(), 228u);
  EXPECT_EQ(every_km["points"][3]["metre"], 3000);
  expect_points_as_plan(every_km["points"], want);
}

TEST(Dump, DoublesReadBackToTheSameBits) {
  // Values whose shortest decimal form is long, tiny, huge or signed zero.
  const std::vector<double> hard = {0.1,
                                    1.0 / 3,
                                    -0.0,
                                    5e-324,
                                    2.2250738585072014e-308,
                                    std::numeric_limits<double>::max(),
                                    9007199254740993.0,
                                    -123456.78901234567,
                                    1e23,
                                    std::nextafter(1.0, 2.0)};
  testing::PlanValues plan;
  plan.x = plan.y = {{TrackPlan::Tag::kInteger, 0}, {TrackPlan::Tag::kInteger, 0}};
  plan.y[1].value = 1;
  for (const double v : hard) {
    plan.x.push_back({TrackPlan::Tag::kDouble, v});
    plan.y.push_back({TrackPlan::Tag::kDouble, -v});
  }
  TempDir dir;
  testing::spit(dir / "Prova_linea.dat", encode_plan_block(plan.x) + encode_plan_block(plan.y));
  const Dump d = dump(dir / "Prova_linea.dat", true, true);
  ASSERT_EQ(d.status, 0) << d.err;
  expect_points_as_plan(json::parse(d.out)["points"], plan);
}

TEST(Dump, TextsAreShownInUnicode) {
  Timetable t;
  t[1].text = "CITT\xC0 \x80 \x9F \x81";  // À € Ÿ and a byte the code page leaves unassigned
  t[1].position = 500;
  t[80].text = "SEGNO \xE8";
  TempDir dir;
  testing::spit(dir / "Prova_9.sim", encode_timetable(t));
  const Dump d = dump(dir / "Prova_9.sim", true);
  ASSERT_EQ(d.status, 0) << d.err;
  const json j = json::parse(d.out);
  EXPECT_EQ(j["rows"][1]["text"], "CITT\xC3\x80 \xE2\x82\xAC \xC5\xB8 \xC2\x81");
  EXPECT_EQ(j["rows"][80]["holds"], "sign");
  EXPECT_EQ(j["rows"][80]["sign_text"], "SEGNO \xC3\xA8");
  const Dump words = dump(dir / "Prova_9.sim");
  EXPECT_NE(words.out.find("row 80: text \"SEGNO \xC3\xA8\""), std::string::npos) << words.out;
}

TEST(Dump, ARowZeroThatIsNotClearIsShown) {
  Timetable t;
  t[0].time_s = 7;
  TempDir dir;
  testing::spit(dir / "Prova_9.sim", encode_timetable(t));
  EXPECT_NE(dump(dir / "Prova_9.sim").out.find("row 0 is not clear: type 0, start_pos 0"),
            std::string::npos);
}

TEST_F(BuiltinDump, AFileUnderAnotherNameIsToldByItsContent) {
  std::filesystem::copy_file(plan_path, dir / "plan.dat");
  EXPECT_NE(dump(dir / "plan.dat").out.find("line plan"), std::string::npos);
  std::filesystem::copy_file(route_path, dir / "route.bin");
  EXPECT_NE(dump(dir / "route.bin").out.find("route, 4541 cells"), std::string::npos);
  std::filesystem::copy_file(timetable_path, dir / "orario");
  EXPECT_NE(dump(dir / "orario").out.find("timetable, 87 rows"), std::string::npos);
}

struct BadFile {
  const char* name;
  const char* file;
  std::function<std::string(const testing::CompiledScenario&)> bytes;  // none: no file
  const char* says;
  friend void PrintTo(const BadFile& b, std::ostream* os) { *os << b.name; }
};

class BadFileDump : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFileDump, GivesOneLineAndStatusTwo) {
  const BadFile& b = GetParam();
  TempDir dir;
  if (b.bytes) testing::spit(dir / b.file, b.bytes(testing::builtin_scenario()));
  const std::string path = (dir / b.file).string();
  for (const bool as_json : {false, true}) {
    const Dump d = dump(path, as_json);
    EXPECT_EQ(d.status, 2);
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(d.err.rfind("scenarioc: error: " + path + ": ", 0), 0u) << d.err;
    EXPECT_NE(d.err.find(b.says), std::string::npos) << d.err;
    EXPECT_EQ(lines(d.err), 1u) << d.err;
    EXPECT_EQ(d.err.back(), '\n');
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFileDump,
    ::testing::Values(
        BadFile{"Missing", "Valdena_704.dat", nullptr, "No such file"},
        BadFile{"Directory", ".", nullptr, "is a directory"},
        BadFile{"EmptyRoute", "Valdena_704.dat", [](const auto&) { return std::string(); },
                "not a route file: at byte 0: "},
        BadFile{"RouteCutShort", "Valdena_704.dat",
                [](const auto& c) { return c.route.substr(0, c.route.size() - 1); },
                "not a route file: at byte 68100: the file ends inside cell 4540"},
        BadFile{"TimetableCutShort", "Valdena_704.sim",
                [](const auto& c) { return c.timetable.substr(0, 1000); },
                "not a timetable file: at byte 1000: the file ends inside row"},
        BadFile{"LinePlanCutShort", "Valdena_linea.dat",
                [](const auto& c) { return c.plan.substr(0, c.plan.size() - 2); },
                "not a line plan file: at byte "},
        BadFile{"TextNamedAsARoute", "Valdena_704.dat",
                [](const auto&) {
                  std::string s;
                  while (s.size() < 3000) s += "[generale]\r\nlunghezza percorso, 220000\r\n";
                  return s.substr(0, 3000);
                },
                "not a route file: at byte 0: cell 0 holds kind 91"},
        BadFile{"RouteNamedAsATimetable", "Valdena_704.sim", [](const auto& c) { return c.route; },
                "not a timetable file: at byte "},
        BadFile{"TimetableNamedAsALinePlan", "Valdena_linea.dat",
                [](const auto& c) { return c.timetable; }, "not a line plan file: at byte "},
        BadFile{"ForeignFileOfNoCompiledName", "notes.txt",
                [](const auto&) { return std::string("ciao\n"); },
                "not a compiled file: neither a route, a timetable nor a line plan"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BuiltinDump, TheCommandLineRunsIt) {
  const auto r = testing::run_scenarioc({"dump", "Valdena_704.sim", "--json"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["rows"][86]["train_number"], "704");
  const auto all = testing::run_scenarioc({"dump", "--all", "Valdena_704.dat"}, dir.path());
  EXPECT_EQ(lines(all.out), 3 + 4541u);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"dump"},
                                               {"dump", "a.dat", "b.dat"},
                                               {"dump", "a.dat", "--every"}}) {
    const auto bad = testing::run_scenarioc(args, dir.path());
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(lines(bad.err), 1u) << bad.err;
  }
  const auto broken = testing::run_scenarioc({"dump", "Valdena_704.sim.missing"}, dir.path());
  EXPECT_EQ(broken.status, 2);
  EXPECT_EQ(broken.err.rfind("scenarioc: error: Valdena_704.sim.missing: ", 0), 0u) << broken.err;
}

}  // namespace
}  // namespace scenarioc
