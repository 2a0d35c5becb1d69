#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>

#include "plot/plot_html.h"
#include "plot/plot_svg.h"
#include "plot/plot_fixture.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

const std::vector<std::string> kStations = {
    "VALDENA CENTRALE", "PIANCORE DI VALDENA", "P.M. CORVALTA", "ROCCASPINELLA",
    "LAGO MERANDI", "CASTELVIRNO", "BIVIO ARDESCA", "P.M. GALLERIA SASSOVENTO",
    "FORNACI DI SASSOVENTO", "TORRE CALVESINA", "CALVESINA BASSA", "P.M. RIO FREDDINO",
    "BIVIO LOMBRENA", "P.M. PRATOGRIGIO", "P.M. VALLONE ORSARO", "FERM. CASE LANDRI",
    "P.M. SELVASCURA", "P.C. MONTE GARENNO", "SCALO DI BRUSENTA", "BRUSENTA PAESE",
    "MARINA DI VALDENA"};

// The built-in scenario compiled into a folder, and the short line Borgo
// compiled into another.
class PlotCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    builtin_ = new TempDir;
    short_ = new TempDir;
    ASSERT_EQ(run_scenarioc({"--dir", builtin_->path().string(), "--console"}, builtin_->path()).status, 0);
    const std::string data = std::string(SCENARIOC_TEST_DATA) + "/plot/";
    ASSERT_EQ(run_scenarioc({"compile", data + "Borgo_linea.txt", data + "Borgo_12-.txt", "--dir",
                             short_->path().string()},
                            short_->path())
                  .status,
              0);
  }
  static void TearDownTestSuite() {
    delete builtin_;
    delete short_;
  }
  // The built-in scenario's compiled files only, in `to`.
  static void copy_builtin(const fs::path& to) {
    for (const char* f : {"Valdena_704.sim", "Valdena_704.dat", "Valdena_linea.dat"})
      fs::copy_file(builtin_->path() / f, to / f);
  }
  void copy_builtin() { copy_builtin(dir.path()); }

  static TempDir* builtin_;
  static TempDir* short_;
  TempDir dir;
};
TempDir* PlotCommand::builtin_ = nullptr;
TempDir* PlotCommand::short_ = nullptr;

TEST_F(PlotCommand, DrawsTheBuiltInScenarioAsAPictureAndAsAPage) {
  copy_builtin();
  for (const std::string name : {"line.svg", "line.html"}) {
    const auto r = run_scenarioc({"plot", "-o", name}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string drawing = slurp(dir / name);
    for (const std::string& s : kStations) EXPECT_NE(drawing.find(">" + s), std::string::npos) << s;
  }
  const std::string svg = slurp(dir / "line.svg");
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("Drawn by scenarioc from Valdena_704.sim, Valdena_704.dat and Valdena_linea.dat."),
            std::string::npos);
}

TEST_F(PlotCommand, ThePageFetchesNothing) {
  copy_builtin();
  ASSERT_EQ(run_scenarioc({"plot", "-o", "line.html"}, dir.path()).status, 0);
  const std::string page = slurp(dir / "line.html");
  // The one address in it is the name of the SVG namespace.
  std::string rest = page;
  for (size_t at; (at = rest.find("http://www.w3.org/2000/svg")) != std::string::npos;)
    rest.erase(at, 26);
  for (const char* fetch : {"http:", "https:", " src=", "href=", "@import", "url(h", "fetch(",
                            "XMLHttpRequest"})
    EXPECT_EQ(rest.find(fetch), std::string::npos) << fetch;
}

TEST_F(PlotCommand, AStretchOfTheLine) {
  copy_builtin();
  const auto r = run_scenarioc({"plot", "--from", "20000", "--to", "40000", "-o", "part.svg"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = slurp(dir / "part.svg");
  // The built-in line counts its posts from 214+100 (its first progressive).
  EXPECT_NE(svg.find("km 234+100 to km 254+100"), std::string::npos);
  EXPECT_NE(svg.find(">LAGO MERANDI"), std::string::npos);
  EXPECT_EQ(svg.find(">MARINA DI VALDENA"), std::string::npos);
}

TEST_F(PlotCommand, WithoutALinePlanTheProfileIsStillDrawn) {
  copy_builtin();
  fs::remove(dir / "Valdena_linea.dat");
  const auto r = run_scenarioc({"plot", "-o", "line.svg"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("scenarioc: note: no "), std::string::npos) << r.err;
  const std::string svg = slurp(dir / "line.svg");
  EXPECT_NE(svg.find("No line plan"), std::string::npos);
  EXPECT_NE(svg.find(">LAGO MERANDI"), std::string::npos);
}

TEST_F(PlotCommand, ScenariosNamedOrFoundInTheFolder) {
  copy_builtin();
  fs::copy_file(dir / "Valdena_704.sim", dir / "Valdena_705.sim");
  fs::copy_file(dir / "Valdena_704.dat", dir / "Valdena_705.dat");
  const auto two = run_scenarioc({"plot", "-o", "x.svg"}, dir.path());
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("holds 2 compiled scenarios (Valdena_704.sim, Valdena_705.sim)"),
            std::string::npos)
      << two.err;
  EXPECT_EQ(run_scenarioc({"plot", "--train-number", "705", "-o", "x.svg"}, dir.path()).status, 0);
  EXPECT_EQ(run_scenarioc({"plot", "--line-name", "Valdena", "--train-number", "704", "--dir",
                           dir.path().string(), "-o", (dir / "y.html").string()},
                          builtin_->path())
                .status,
            0);
  EXPECT_TRUE(fs::exists(dir / "y.html"));
}

TEST_F(PlotCommand, NothingToDrawFromIsAOneLineErrorAndExitStatus2) {
  struct Case {
    std::string what;
    std::function<void(const fs::path&)> prepare;
    std::vector<std::string> args;
    std::string message;
  };
  const fs::path b = builtin_->path(), s = short_->path();
  auto cut = [](const fs::path& p, size_t n) {
    std::string bytes = slurp(p);
    bytes.resize(bytes.size() - n);
    spit(p, bytes);
  };
  const std::vector<Case> cases = {
      {"an empty folder", [](const fs::path&) {}, {}, "holds no compiled scenario"},
      {"no folder", [](const fs::path&) {}, {"--dir", "no-such-folder"}, "no folder no-such-folder"},
      {"a timetable without its route",
       [&](const fs::path& d) { fs::copy_file(b / "Valdena_704.sim", d / "Valdena_704.sim"); },
       {},
       "Valdena_704.dat is missing"},
      {"a named scenario that is not there", [&](const fs::path& d) { copy_builtin(d); },
       {"--line-name", "Valdena", "--train-number", "9"},
       "Valdena_9.sim is missing"},
      {"a timetable cut short", [&](const fs::path& d) { copy_builtin(d); cut(d / "Valdena_704.sim", 5); },
       {},
       "Valdena_704.sim is damaged: at byte"},
      {"a route cut inside a cell", [&](const fs::path& d) { copy_builtin(d); cut(d / "Valdena_704.dat", 7); },
       {},
       "Valdena_704.dat is damaged: at byte"},
      {"a plan point of no known type",
       [&](const fs::path& d) {
         copy_builtin(d);
         std::string plan = slurp(d / "Valdena_linea.dat");
         plan[8] = 9;  // the type of X of metre 2
         spit(d / "Valdena_linea.dat", plan);
       },
       {},
       "Valdena_linea.dat is damaged: at byte 8"},
      {"the plan of another line",
       [&](const fs::path& d) {
         copy_builtin(d);
         spit(d / "Valdena_linea.dat", slurp(s / "Borgo_linea.dat"));  // copy_file cannot overwrite under MinGW
       },
       {},
       "Valdena_linea.dat does not belong to"},
      {"the route of another line",
       [&](const fs::path& d) {
         copy_builtin(d);
         spit(d / "Valdena_704.dat", slurp(s / "Borgo_12.dat"));  // copy_file cannot overwrite under MinGW
       },
       {},
       "do not belong together"},
      {"a stretch beyond the line", [&](const fs::path& d) { copy_builtin(d); }, {"--from", "300000"},
       "lies beyond the line"},
      {"a stretch that ends before it starts", [&](const fs::path& d) { copy_builtin(d); },
       {"--from", "3000", "--to", "2000"},
       "must lie after --from"},
      {"metres that are no number", [&](const fs::path& d) { copy_builtin(d); }, {"--to", "12km"},
       "needs a whole number of metres"},
  };
  for (const Case& c : cases) {
    TempDir d;
    c.prepare(d.path());
    std::vector<std::string> args = {"plot"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", "out.svg"});
    const auto r = run_scenarioc(args, d.path());
    EXPECT_EQ(r.status, 2) << c.what;
    EXPECT_EQ(r.err.rfind("scenarioc: error: ", 0), 0u) << c.what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    EXPECT_FALSE(fs::exists(d / "out.svg")) << c.what;
  }
}

TEST_F(PlotCommand, ArgumentsItDoesNotTake) {
  copy_builtin();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"plot"}, "needs an output file"},
      {{"plot", "-o", "line.png"}, "name it FILE.svg for a picture or FILE.html for a page"},
      {{"plot", "-o", "a.svg", "--wide"}, "unknown option '--wide'"},
      {{"plot", "-o", "a.svg", "Valdena_704.sim"}, "plot takes no files"},
      {{"plot", "-o"}, "option '-o' needs a value"},
  };
  for (const Case& c : cases) {
    const auto r = run_scenarioc(c.args, dir.path());
    EXPECT_EQ(r.status, 2) << c.args.back();
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// A name can hold any text an author typed: it never escapes its element,
// in the picture or in the page's data.
TEST(PlotDrawing, NamesAreTextNeverMarkup) {
  testing::DecodedScenario s = testing::decoded_short_scenario();
  s.rows[2].text = "A&B <b>\"</script><script>alert(1)</script>";
  const PlotData d = plot_data(s.route, s.rows, &s.plan, {});
  const std::string svg = plot_svg(d, "");
  EXPECT_EQ(svg.find("<b>"), std::string::npos);
  EXPECT_NE(svg.find("A&amp;B &lt;b&gt;&quot;&lt;/script&gt;"), std::string::npos);
  const std::string page = plot_html(d, "");
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
