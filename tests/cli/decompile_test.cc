// `scenarioc decompile` on the files of the built-in run.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

const std::vector<std::string> kCompiled = {"Valdena_704.dat", "Valdena_704.sim",
                                            "Valdena_linea.dat"};

int lines_of(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A folder holding only the three compiled files of the built-in scenario.
class Decompile : public ::testing::Test {
 protected:
  void SetUp() override {
    TempDir run;
    ASSERT_EQ(run_scenarioc({"--dir", run.path().string(), "--console"}, run.path()).status, 0);
    for (const std::string& name : kCompiled) fs::copy_file(run / name, files / name);
  }
  testing::RunResult decompile(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"decompile", "--dir", files.path().string(), "-o",
                                     out.path().string()};
    args.insert(args.end(), more.begin(), more.end());
    return run_scenarioc(args, out.path());
  }
  TempDir files, out;
};

TEST_F(Decompile, WritesSourcesThatCompileToTheSameFiles) {
  const auto r = decompile();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(list_dir(out.path()), (std::vector<std::string>{"Valdena_704-.txt", "Valdena_linea.txt"}));
  TempDir again;
  const auto c = run_scenarioc({"compile", (out / "Valdena_linea.txt").string(),
                                (out / "Valdena_704-.txt").string(), "--dir", again.path().string()},
                               out.path());
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.err, "");
  for (const std::string& name : kCompiled) EXPECT_EQ(slurp(again / name), slurp(files / name)) << name;
}

TEST_F(Decompile, MakesTheOutputFolderAndTakesTheEqualsSpelling) {
  const auto r = run_scenarioc({"decompile", "--dir=" + files.path().string(),
                                "--output=" + (out / "new/sources").string()},
                               out.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(list_dir(out / "new/sources"),
            (std::vector<std::string>{"Valdena_704-.txt", "Valdena_linea.txt"}));
}

TEST_F(Decompile, NeverReplacesASourceWithoutForce) {
  spit(out / "Valdena_704-.txt", "mine");
  const auto r = decompile();
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(lines_of(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(list_dir(out.path()), std::vector<std::string>{"Valdena_704-.txt"});
  EXPECT_EQ(slurp(out / "Valdena_704-.txt"), "mine");
  EXPECT_EQ(decompile({"--force"}).status, 0);
  EXPECT_NE(slurp(out / "Valdena_704-.txt"), "mine");
}

TEST_F(Decompile, WithoutThePlanFileWritesTheRestWithoutCurvesAndSaysSo) {
  fs::remove(files / "Valdena_linea.dat");
  const auto r = decompile();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("no line plan file"), std::string::npos) << r.err;
  const std::string line = slurp(out / "Valdena_linea.txt");
  EXPECT_EQ(line.find("curva"), std::string::npos);
  EXPECT_NE(line.find("pendenza"), std::string::npos);
}

struct Damage {
  const char* name;
  const char* file;
  void (*apply)(std::string&);
};

const Damage kDamages[] = {
    {"RouteCutShort", "Valdena_704.dat", [](std::string& b) { b.pop_back(); }},
    {"TimetableCutShort", "Valdena_704.sim", [](std::string& b) { b.resize(b.size() - 5); }},
    {"PlanWithAnUnknownType", "Valdena_linea.dat", [](std::string& b) { b[0] = 7; }},
    {"ACellOfAnUnknownKind", "Valdena_704.dat", [](std::string& b) { b[15 * 100] = 9; }},
    {"APlanPointOffEveryCurve", "Valdena_linea.dat", [](std::string& b) { b[2 * 4 + 2 + 10 * 100] ^= 1; }},
};

class DamagedFolder : public Decompile, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedFolder, EndsWithOneLineAndWritesNothing) {
  std::string bytes = slurp(files / GetParam().file);
  GetParam().apply(bytes);
  spit(files / GetParam().file, bytes);
  const auto r = decompile();
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(lines_of(r.err), 1) << r.err;
  EXPECT_TRUE(list_dir(out.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedFolder, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

TEST_F(Decompile, AByteNoSourceGivesIsReportedWithItsPlace) {
  // A repeat code far from every signal and station: no item writes it.
  std::string route = slurp(files / "Valdena_704.dat");
  const size_t at = 15 * 4400 + 10;
  route[at] = 77;
  spit(files / "Valdena_704.dat", route);
  const auto r = decompile();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Valdena_704.dat, byte " + std::to_string(at) + " (cell 4400, repeat_code"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(list_dir(out.path()).size(), 2u);
}

TEST_F(Decompile, AFolderWithTwoScenariosNeedsTheirNames) {
  for (const char* name : {"Valdena_705.dat", "Valdena_705.sim"})
    fs::copy_file(files / (std::string("Valdena_704") + (name + 11)), files / name);
  const auto r = decompile();
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("name one with --line-name and --train-number"), std::string::npos) << r.err;
  EXPECT_EQ(decompile({"--line-name", "Valdena", "--train-number", "704"}).status, 0);
}

TEST_F(Decompile, AFolderWithoutAScenarioSaysSo) {
  TempDir empty;
  const auto r = run_scenarioc({"decompile", "--dir", empty.path().string()}, out.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no compiled scenario"), std::string::npos) << r.err;
}


// plot and decompile read a folder's scenario through one reader: a folder
// one refuses, the other refuses in the same words.
TEST_F(Decompile, RefusesAFolderAsPlotDoesInTheSameWords) {
  struct Case {
    const char* what;
    void (*spoil)(const fs::path&);
    const char* message;
  };
  const Case cases[] = {
      {"a timetable without its route", [](const fs::path& d) { fs::remove(d / "Valdena_704.dat"); },
       "Valdena_704.dat is missing"},
      {"a route a cell shorter than its line",
       [](const fs::path& d) {
         std::string route = slurp(d / "Valdena_704.dat");
         route.resize(route.size() - 15);
         spit(d / "Valdena_704.dat", route);
       },
       "do not belong together: a line of"},
      {"a plan a metre short",
       [](const fs::path& d) {
         // The last metre of X and of Y are empty elements of two bytes.
         std::string plan = slurp(d / "Valdena_linea.dat");
         const size_t half = plan.size() / 2;
         spit(d / "Valdena_linea.dat", plan.substr(0, half - 2) + plan.substr(half, half - 2));
       },
       "does not belong to"},
  };
  for (const Case& c : cases) {
    TempDir folder, sources;
    for (const std::string& name : kCompiled) fs::copy_file(files / name, folder / name);
    c.spoil(folder.path());
    const auto d = run_scenarioc(
        {"decompile", "--dir", folder.path().string(), "-o", sources.path().string()}, out.path());
    const auto p = run_scenarioc(
        {"plot", "--dir", folder.path().string(), "-o", (sources / "p.svg").string()}, out.path());
    EXPECT_EQ(d.status, 2) << c.what;
    EXPECT_NE(d.err.find(c.message), std::string::npos) << c.what << ": " << d.err;
    EXPECT_EQ(d.err, p.err) << c.what;
    EXPECT_TRUE(list_dir(sources.path()).empty()) << c.what;
  }
}

}  // namespace
}  // namespace scenarioc
