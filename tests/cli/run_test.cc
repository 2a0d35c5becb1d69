#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>

#include "cli/file_sources.h"
#include "cli/run.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

testing::RunResult builtin_run(const TempDir& dir) {
  return run_scenarioc({"--dir", dir.path().string(), "--console"}, dir.path());
}

TEST(BuiltInRun, WritesTheFormsAndTheCompiledFilesAndDeletesItsSources) {
  TempDir dir;
  const auto r = builtin_run(dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Attendere\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(list_dir(dir.path()),
            (std::vector<std::string>{"Valdena_704.dat", "Valdena_704.sim",
                                      "Valdena_704_note.txt", "Valdena_704_rallentamenti.txt",
                                      "Valdena_704_scheda_treno.txt", "Valdena_linea.dat"}));
  EXPECT_EQ(fs::file_size(dir / "Valdena_704.dat"), 68115u);
  // A complete plan: per coordinate block two integer seeds, N - 3 doubles
  // and two empty points, N = 227000.
  const uint64_t block = 4 + 4 + (227000 - 3) * 10 + 2 + 2;
  EXPECT_EQ(fs::file_size(dir / "Valdena_linea.dat"), 2 * block);
}

TEST(BuiltInRun, WritesTheCompiledFilesInOrder) {
  TempDir dir;
  ASSERT_EQ(builtin_run(dir).status, 0);
  const auto plan = fs::last_write_time(dir / "Valdena_linea.dat");
  const auto timetable = fs::last_write_time(dir / "Valdena_704.sim");
  const auto route = fs::last_write_time(dir / "Valdena_704.dat");
  EXPECT_LE(plan, timetable);
  EXPECT_LE(timetable, route);
  EXPECT_LE(fs::last_write_time(dir / "Valdena_704_scheda_treno.txt"), plan);
}

TEST(BuiltInRun, ReplacesLongerFilesWholeAndAnyEditedSource) {
  TempDir dir;
  spit(dir / "Valdena_704.dat", std::string(100000, 'x'));
  spit(dir / "Valdena_linea.txt", "[generale]\r\nlunghezza percorso, 5\r\n");
  spit(dir / "Valdena_704_note.txt", "some notes");
  const auto r = builtin_run(dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(fs::file_size(dir / "Valdena_704.dat"), 68115u);
  EXPECT_EQ(fs::file_size(dir / "Valdena_704_note.txt"), 0u);
}

TEST(BuiltInRun, AnOutputNameTakenByADirectoryEndsTheRunAndKeepsTheRest) {
  TempDir dir;
  ASSERT_EQ(builtin_run(dir).status, 0);
  const std::string route_before = slurp(dir / "Valdena_704.dat");
  fs::remove(dir / "Valdena_704.sim");
  fs::create_directory(dir / "Valdena_704.sim");
  spit(dir / "Valdena_704.dat", "earlier route");
  const auto r = builtin_run(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find((dir / "Valdena_704.sim").string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("directory"), std::string::npos) << r.err;
  // The route file comes after the timetable: it was not touched.
  EXPECT_EQ(slurp(dir / "Valdena_704.dat"), "earlier route");
  for (const std::string& name : list_dir(dir.path()))
    EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST(BuiltInRun, AMissingDirectoryEndsTheRunBeforeAnyCompiling) {
  TempDir dir;
  const auto r = run_scenarioc({"--dir", (dir / "none").string(), "--console"}, dir.path());
  EXPECT_EQ(r.status, 2);
  // The folder is taken before anything is written into it.
  EXPECT_NE(r.err.find("cannot write " + (dir / "none").string() + ": "), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "none"));
}

// A marker field of cell 1 or row 85 already used ends the run and writes
// no compiled file. An author's compile names the row that filled it; the
// built-in run keeps its message box.
struct ClosingCase {
  const char* name;
  std::string train_row;
  std::string message;
  std::string box;
};

void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.name; }

class ClosingChecks : public ::testing::TestWithParam<ClosingCase> {};

TEST_P(ClosingChecks, EndTheRunWithoutWritingAnyCompiledFile) {
  TempDir dir;
  spit(dir / "Prova_linea.txt", "[generale]\r\nlunghezza percorso, 10000\r\n[d]\r\n[fine]\r\n");
  spit(dir / "Prova_1-.txt", "[generale]\r\n" + GetParam().train_row + "[fine]\r\n");
  spit(dir / "Prova_1.dat", "old");
  const auto r = run_scenarioc({"compile", "Prova_linea.txt", "Prova_1-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, GetParam().message);
  EXPECT_EQ(slurp(dir / "Prova_1.dat"), "old");
  EXPECT_FALSE(fs::exists(dir / "Prova_1.sim"));
  EXPECT_FALSE(fs::exists(dir / "Prova_linea.dat"));

  std::ostringstream out, err;
  ConsoleWindow window(out, err);
  FileSources sources({"Prova_linea.txt", dir / "Prova_linea.txt"},
                      {"Prova_1-.txt", dir / "Prova_1-.txt"}, /*consume=*/false);
  const CompileJob job{"Prova", "1", dir.path(), true, true};
  EXPECT_EQ(compile_and_write(sources, job, window, err), kExitEndedEarly);
  EXPECT_EQ(err.str(), GetParam().box);
  EXPECT_EQ(slurp(dir / "Prova_1.dat"), "old");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ClosingChecks,
    ::testing::Values(
        ClosingCase{"PointInCellOne", "abbattimento,  50,  90\r\n",
                    "Prova_1-.txt:2:1: error 1250: cell 1, the start of the route, keeps its "
                    "first code for the route's marker, but the braking point at 50 m has put "
                    "90 there; no compiled file is written\n"
                    "abbattimento,  50,  90\n"
                    "^\n"
                    "1 error\n",
                    " Errore n. 1250\n"},
        ClosingCase{"SlowDownValueInCellOne", "rallentamento,  0,  0,  500,  0,  0,  5\r\n",
                    "Prova_1-.txt:2:1: error 1251: cell 1, the start of the route, keeps its "
                    "second code for the scenario code, but the start of a slow-down at 0 m "
                    "has put 5 there; no compiled file is written\n"
                    "rallentamento,  0,  0,  500,  0,  0,  5\n"
                    "^\n"
                    "1 error\n",
                    " Errore n. 1251\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
