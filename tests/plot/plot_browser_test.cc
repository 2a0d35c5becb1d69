// The line diagram as a person sees it: drawn by a real browser (headless
// Chromium), checked inside the page by tests/data/plot/page_check.js, and
// kept as screenshots in the build folder (screenshots/, or the folder
// SCENARIOC_SCREENSHOTS names). Without Chromium the tests skip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

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

#ifndef _WIN32

using testing::find_chromium;

struct BrowserRun {
  bool finished = false;
  int status = -1;
  std::string out, err;
};

// Runs the browser with `args`, in a process group of its own so that a run
// that hangs can be ended with all the processes it started.
BrowserRun run_browser(const fs::path& exe, const std::vector<std::string>& args) {
  TempDir capture;
  const fs::path out = capture / "out", err = capture / "err";
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  BrowserRun r;
  if (pid < 0) return r;
  setpgid(pid, pid);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      r.finished = true;
      r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);  // helpers the browser may have left behind
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

std::string json_list(const std::vector<std::string>& names) {
  std::string j = "[";
  for (const std::string& n : names) {
    j += (j.size() > 1 ? ",\"" : "\"");
    for (char c : n) {
      if (c == '"' || c == '\\') j += '\\';
      j += c;
    }
    j += '"';
  }
  return j + "]";
}

// The window a drawing is looked at in: a page in a desktop window of
// 1400 by 1000, the picture at its printed size (A3 at 96 dpi).
std::string window_of(const fs::path& drawing) {
  return drawing.extension() == ".html" ? "--window-size=1400,1000" : "--window-size=1588,1123";
}

class PlotInBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    chromium_ = find_chromium();
    if (chromium_.empty()) GTEST_SKIP() << "no Chromium to draw the pages with";
    const char* named = std::getenv("SCENARIOC_SCREENSHOTS");
    shots_ = named ? fs::path(named) : fs::path(SCENARIOC_EXE).parent_path() / "screenshots";
    fs::create_directories(shots_);
  }

  std::vector<std::string> flags() const {
    return {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--hide-scrollbars", "--user-data-dir=" + (profile_ / "profile").string()};
  }

  struct Checked {
    std::vector<std::string> ok, failed, console;
  };

  // Opens the drawing with the page checks added, and reads back what they
  // found, with whatever the page wrote to its console.
  Checked check(const fs::path& drawing, const std::vector<std::string>& names,
                const std::string& hash = "", const std::string& window = "1400,1000") {
    std::string text = slurp(drawing);
    std::string script = slurp(std::string(SCENARIOC_TEST_DATA) + "/plot/page_check.js");
    for (size_t at; (at = script.find("EXPECTED_NAMES")) != std::string::npos;)
      script.replace(at, 14, json_list(names));
    if (drawing.extension() == ".svg")
      text.insert(text.rfind("</svg>"), "<script><![CDATA[\n" + script + "\n]]></script>");
    else
      text.insert(text.rfind("</body>"), "<script>\n" + script + "\n</script>");
    const fs::path copy = drawing.parent_path() / ("checked-" + drawing.filename().string());
    spit(copy, text);
    std::vector<std::string> args = flags();
    args.insert(args.end(), {"--window-size=" + window, "--enable-logging=stderr", "--v=0",
                             "--dump-dom", "file://" + fs::absolute(copy).string() + hash});
    const BrowserRun run = run_browser(chromium_, args);
    Checked c;
    EXPECT_TRUE(run.finished) << "the browser did not finish";
    std::istringstream err(run.err);
    for (std::string line; std::getline(err, line);)
      if (line.find(":CONSOLE") != std::string::npos) c.console.push_back(line);
    const size_t at = run.out.rfind("id=\"check-results\">");
    if (at == std::string::npos) {
      c.failed.push_back("the checks did not run: " + run.err.substr(0, 2000));
      return c;
    }
    std::istringstream results(run.out.substr(at, run.out.find("</", at) - at));
    for (std::string line; std::getline(results, line);) {
      if (line.rfind("ok ", 0) == 0) c.ok.push_back(line.substr(3));
      if (line.rfind("fail ", 0) == 0) c.failed.push_back(line.substr(5));
    }
    return c;
  }

  void expect_good(const fs::path& drawing, const std::vector<std::string>& names,
                   const std::string& hash = "", const std::string& window = "1400,1000") {
    SCOPED_TRACE("window " + window);
    const Checked c = check(drawing, names, hash, window);
    for (const std::string& f : c.failed) ADD_FAILURE() << drawing.filename() << hash << ": " << f;
    for (const std::string& line : c.console)
      ADD_FAILURE() << drawing.filename() << hash << " wrote to the console: " << line;
    const bool page = drawing.extension() == ".html";
    std::vector<std::string> wanted = {"every station named in the plan and the profile",
                                       "station names stay on the page"};
    wanted.push_back("no two labels overlap");
    wanted.push_back("no item cut at an edge");
    if (page) wanted.push_back("the drawing fits the window");
    if (hash.empty()) wanted.push_back("track spans the plan");
    if (page) wanted.push_back("pointing at a station shows its values");
    if (page) wanted.push_back("pointing along the profile marks the place on the plan");
    if (page && hash.empty())
      wanted.push_back("zooming the profile zooms the plan with it, and a double click undoes it");
    for (const std::string& w : wanted)
      EXPECT_NE(std::find(c.ok.begin(), c.ok.end(), w), c.ok.end())
          << drawing.filename() << hash << ": did not pass '" << w << "'";
  }

  // Keeps what the browser shows, the whole drawing, for a person to look at.
  void screenshot(const fs::path& drawing, const std::string& name, const std::string& hash = "",
                  const std::string& window = "") {
    std::vector<std::string> args = flags();
    const fs::path png = shots_ / name;
    fs::remove(png);
    args.insert(args.end(), {window.empty() ? window_of(drawing) : "--window-size=" + window,
                             "--screenshot=" + png.string(),
                             "file://" + fs::absolute(drawing).string() + hash});
    const BrowserRun run = run_browser(chromium_, args);
    EXPECT_TRUE(run.finished && fs::exists(png)) << "no screenshot " << png << ": " << run.err;
  }

  fs::path chromium_, shots_;
  TempDir profile_, dir_;
};

std::vector<std::string> station_names(const Timetable& rows, int32_t from = 0,
                                       int32_t to = 1 << 30) {
  std::vector<std::string> names;
  for (int r = 1; r < kFirstSignRow && !rows[static_cast<size_t>(r)].text.empty(); ++r)
    if (rows[static_cast<size_t>(r)].position >= from && rows[static_cast<size_t>(r)].position <= to)
      names.push_back(rows[static_cast<size_t>(r)].text);
  return names;
}

TEST_F(PlotInBrowser, TheBuiltInLine) {
  ASSERT_EQ(run_scenarioc({"--dir", dir_.path().string(), "--console"}, dir_.path()).status, 0);
  const std::vector<std::string> names = station_names(testing::decoded_builtin_scenario().rows);
  ASSERT_EQ(names.size(), 21u);
  for (const std::string file : {"builtin-line.svg", "builtin-line.html"}) {
    ASSERT_EQ(run_scenarioc({"plot", "-o", file}, dir_.path()).status, 0);
    expect_good(dir_ / file, names);
    screenshot(dir_ / file, file + ".png");
  }
}

TEST_F(PlotInBrowser, TheBuiltInLineZoomedOnAStretch) {
  ASSERT_EQ(run_scenarioc({"--dir", dir_.path().string(), "--console"}, dir_.path()).status, 0);
  ASSERT_EQ(run_scenarioc({"plot", "-o", "builtin-line.html"}, dir_.path()).status, 0);
  const Timetable& rows = testing::decoded_builtin_scenario().rows;
  for (const auto& [from, to] : {std::pair{20000, 40000}, std::pair{130000, 150000}}) {
    const std::string hash = "#" + std::to_string(from) + "-" + std::to_string(to);
    expect_good(dir_ / "builtin-line.html", station_names(rows, from, to), hash);
  }
  screenshot(dir_ / "builtin-line.html", "builtin-line-zoomed.html.png", "#130000-150000");
}

TEST_F(PlotInBrowser, AShortLine) {
  const std::string data = std::string(SCENARIOC_TEST_DATA) + "/plot/";
  ASSERT_EQ(run_scenarioc({"compile", data + "Borgo_linea.txt", data + "Borgo_12-.txt"}, dir_.path()).status, 0);
  const std::vector<std::string> names = {"BORGO SAN MARCO", "CASE NUOVE", "BORGO MONTE"};
  for (const std::string file : {"short-line.svg", "short-line.html"}) {
    ASSERT_EQ(run_scenarioc({"plot", "-o", file}, dir_.path()).status, 0);
    expect_good(dir_ / file, names);
    screenshot(dir_ / file, file + ".png");
  }
}

// Thirty stations 450 m apart on a 220 km line: a few pixels apart in the
// plan and on the axis, each named where it can be read.
TEST_F(PlotInBrowser, StationsCrowdedTogether) {
  testing::DecodedScenario s = testing::decoded_builtin_scenario();
  std::vector<ScenarioRecord> stations;
  for (int r = 1; r <= 21; ++r) stations.push_back(s.rows[static_cast<size_t>(r)]);
  for (int i = 0; i < 30; ++i) {
    ScenarioRecord st;
    st.type = i % 3 == 0 ? 2 : 25;
    st.position = 115000 + i * 450;
    st.start_pos = st.position - 50;
    st.stop_pos = st.position + 50;
    st.time_s = i % 3 == 0 ? (8 * 60 + i) * 60 : 0;
    st.text = "FERMATA NUMERO " + std::to_string(i + 1);
    stations.push_back(st);
  }
  std::stable_sort(stations.begin(), stations.end(),
                   [](const ScenarioRecord& a, const ScenarioRecord& b) { return a.position < b.position; });
  for (size_t i = 0; i < stations.size(); ++i) s.rows[i + 1] = stations[i];
  const PlotData d = plot_data(s.route, s.rows, &s.plan, {});
  ASSERT_EQ(d.stations.size(), 51u);
  std::vector<std::string> names;
  for (const ScenarioRecord& st : stations) names.push_back(st.text);
  spit(dir_ / "crowded.svg", plot_svg(d, ""));
  spit(dir_ / "crowded.html", plot_html(d, ""));
  for (const std::string file : {"crowded.svg", "crowded.html"}) {
    expect_good(dir_ / file, names);
    screenshot(dir_ / file, file + ".png");
  }
  expect_good(dir_ / "crowded.html", station_names(s.rows, 110000, 130000), "#110000-130000");
}

// Lines of every bearing, each on one screen: a north-south branch whose
// plan stands at the right and uses the height, an east-west line whose plan
// runs across the top, and a stretch of the branch whose edges stand on a
// signal and a sign, which are drawn whole.
TEST_F(PlotInBrowser, LinesOfEveryBearing) {
  struct Case {
    const char* name;
    const char* line_name;
    const char* train_number;
    const char* line;
    const char* train;
    std::vector<std::string> range;
    std::vector<std::string> stations;
  };
  const Case cases[] = {
      {"north-south", "Monte", "8", testing::kNorthSouthLine, testing::kNorthSouthTrain, {},
       {"VALLE", "COLLE DI MEZZO", "ALPE", "CIMA"}},
      {"east-west", "Piana", "3", testing::kEastWestLine, testing::kEastWestTrain, {},
       {"PIANA", "CASCINE", "PONTE"}},
      {"north-south-2000-6000", "Monte", "8", testing::kNorthSouthLine,
       testing::kNorthSouthTrain, {"--from", "2000", "--to", "6000"}, {"COLLE DI MEZZO", "ALPE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = dir_ / c.name;
    fs::create_directories(dir);
    const std::string line = std::string(c.line_name) + "_linea.txt";
    const std::string train = std::string(c.line_name) + "_" + c.train_number + "-.txt";
    spit(dir / line, c.line);
    spit(dir / train, c.train);
    ASSERT_EQ(run_scenarioc({"compile", line, train}, dir).status, 0);
    const std::string file = std::string(c.name) + ".html";
    std::vector<std::string> args = {"plot", "-o", file};
    args.insert(args.end(), c.range.begin(), c.range.end());
    ASSERT_EQ(run_scenarioc(args, dir).status, 0);
    expect_good(dir / file, c.stations);
    screenshot(dir / file, file + ".png");
  }
  // A wider screen shows the same sheet, larger, still whole.
  const fs::path wide = dir_ / "north-south" / "north-south.html";
  expect_good(wide, cases[0].stations, "", "1920,1080");
  screenshot(wide, "north-south-1920.html.png", "", "1920,1080");
}

#else

TEST(PlotInBrowser, NeedsChromium) { GTEST_SKIP() << "the pages are checked on Linux"; }

#endif

}  // namespace
}  // namespace scenarioc
