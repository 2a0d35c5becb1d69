#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "compiler/compile.h"
#include "format/route_file.h"
#include "format/timetable_file.h"

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

// The built-in sources, written by `emit` into a fresh directory.
class Authoring : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_scenarioc({"emit"}, dir.path()).status, 0);
    ASSERT_EQ(run_scenarioc({"--dir", builtin.path().string(), "--console"}, dir.path()).status,
              0);
  }
  void edit_train(const std::string& from, const std::string& to) {
    std::string text = slurp(dir / "Valdena_704-.txt");
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), to);
    spit(dir / "Valdena_704-.txt", text);
  }
  TempDir dir, builtin;
};

TEST_F(Authoring, EmitWritesTheSourcesAndFormsOnly) {
  EXPECT_EQ(list_dir(dir.path()),
            (std::vector<std::string>{"Valdena_704-.txt", "Valdena_704_note.txt",
                                      "Valdena_704_rallentamenti.txt",
                                      "Valdena_704_scheda_treno.txt", "Valdena_linea.txt"}));
}

TEST_F(Authoring, CompileGivesTheBytesOfTheBuiltInRunAndKeepsTheSources) {
  const std::string line_before = slurp(dir / "Valdena_linea.txt");
  TempDir out;
  const auto r = run_scenarioc(
      {"compile", "Valdena_linea.txt", "Valdena_704-.txt", "--dir", out.path().string()},
      dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(list_dir(out.path()), kCompiled);
  for (const std::string& name : kCompiled)
    EXPECT_EQ(slurp(out / name), slurp(builtin / name)) << name;
  EXPECT_EQ(slurp(dir / "Valdena_linea.txt"), line_before);
}

TEST_F(Authoring, CheckReportsLikeCompileButWritesNothing) {
  edit_train("segnale,    6050", "segnale,    2200");
  const auto before = list_dir(dir.path());
  const auto r = run_scenarioc({"check", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Valdena_704-.txt:55:13: error 16: signal at 2200 m: cell 45 is already taken by "
            "a signal; a signal needs a cell of its own\n"
            "segnale,    2200,   1, 4, 0,  0, 0,    0,  2,1,1, 0\n"
            "            ^\n"
            "Valdena_704-.txt:54:1: note: the signal in cell 45 comes from here\n"
            "segnale,    2200,   1, 4, 0,  0, 0,    0,  2,1,1, 0\n"
            "^\n"
            "1 error\n"
            "the rest of the train file was not compiled: 93 signals\n");
  EXPECT_EQ(list_dir(dir.path()), before);
}

// A compile that records an error leaves the earlier set as it was: a
// broken route beside the author's good one would be worse than none.
TEST_F(Authoring, AnErrorKeepsTheEarlierFilesByteForByte) {
  ASSERT_EQ(run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path()).status,
            0);
  std::vector<std::string> before;
  for (const std::string& name : kCompiled) before.push_back(slurp(dir / name));
  edit_train("segnale,    6050", "segnale,    2200");
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\n1 error; no compiled file written, the earlier ones are kept\n"
                       "the rest of the train file was not compiled: "),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  for (size_t i = 0; i < kCompiled.size(); ++i)
    EXPECT_EQ(slurp(dir / kCompiled[i]), before[i]) << kCompiled[i];
}

TEST_F(Authoring, AnErrorWithoutEarlierFilesWritesNone) {
  edit_train("segnale,    6050", "segnale,    2200");
  const auto before = list_dir(dir.path());
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\n1 error; no compiled file written\n"), std::string::npos) << r.err;
  EXPECT_EQ(list_dir(dir.path()), before);
}

// --write-on-error writes what the compile recorded, as the compile of the
// same sources in memory gives it.
TEST_F(Authoring, WriteOnErrorWritesWhatTheCompileRecorded) {
  edit_train("segnale,    6050", "segnale,    2200");
  const auto r = run_scenarioc(
      {"compile", "Valdena_linea.txt", "Valdena_704-.txt", "--write-on-error"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\n1 error\nthe rest of the train file was not compiled: "),
            std::string::npos)
      << r.err;
  CompileResult c = compile(slurp(dir / "Valdena_linea.txt"), slurp(dir / "Valdena_704-.txt"),
                            author_options("Valdena", "704"));
  ASSERT_FALSE(c.scenario.failures.empty());
  EXPECT_EQ(slurp(dir / "Valdena_704.sim"), encode_timetable(c.scenario));
  EXPECT_EQ(slurp(dir / "Valdena_704.dat"), encode_route(c.scenario));
}

TEST_F(Authoring, TheJsonReportSaysWhetherTheFilesWereWritten) {
  edit_train("segnale,    6050", "segnale,    2200");
  for (const bool write_on_error : {false, true}) {
    std::vector<std::string> args = {"compile", "Valdena_linea.txt", "Valdena_704-.txt",
                                     "--diagnostics=json"};
    if (write_on_error) args.push_back("--write-on-error");
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 1);
    const nlohmann::json summary = nlohmann::json::parse(r.err).at("summary");
    EXPECT_EQ(summary.at("written"), write_on_error);
    EXPECT_EQ(summary.at("text"), write_on_error ? "1 error" : "1 error; no compiled file written");
    ASSERT_EQ(summary.at("not_compiled").size(), 1u);
    EXPECT_EQ(summary.at("not_compiled")[0].get<std::string>().rfind(
                  "the rest of the train file was not compiled: ", 0),
              0u);
  }
}

TEST_F(Authoring, CompileMakesItsFolderAsEmitDoes) {
  const fs::path out = dir / "made" / "here";
  const auto r = run_scenarioc(
      {"compile", "Valdena_linea.txt", "Valdena_704-.txt", "--dir", out.string()}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  for (const std::string& name : kCompiled)
    EXPECT_EQ(slurp(out / name), slurp(builtin / name)) << name;
}

TEST_F(Authoring, NoPlanLeavesAnExistingPlanFileAlone) {
  spit(dir / "Valdena_linea.dat", "old plan");
  const auto r =
      run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt", "--no-plan"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "Valdena_linea.dat"), "old plan");
  EXPECT_EQ(slurp(dir / "Valdena_704.dat"), slurp(builtin / "Valdena_704.dat"));
}

TEST_F(Authoring, NamesComeFromOptionsWhenTheFilesDoNotTellThem) {
  fs::rename(dir / "Valdena_linea.txt", dir / "line.txt");
  fs::rename(dir / "Valdena_704-.txt", dir / "train.txt");
  auto r = run_scenarioc({"compile", "line.txt", "train.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--line-name"), std::string::npos) << r.err;
  r = run_scenarioc({"compile", "line.txt", "train.txt", "--line-name", "Prova",
                     "--train-number", "12"},
                    dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "Prova_12.dat"));
  EXPECT_TRUE(fs::exists(dir / "Prova_linea.dat"));
  // The names are in the timetable too: row 85 holds the line name.
  EXPECT_NE(slurp(dir / "Prova_12.sim").find("Prova"), std::string::npos);
}

TEST_F(Authoring, NamesGivenInUtf8GoIntoTheFilesInWindows1252) {
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt",
                                "--line-name", "Citt\xC3\xA0", "--train-number", "7"},
                               dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "Citt\xE0_7.sim"));
  EXPECT_NE(slurp(dir / "Citt\xE0_7.sim").find("Citt\xE0"), std::string::npos);
#ifndef _WIN32  // Windows hands a program its arguments in its own code page
  const auto arrow = run_scenarioc({"check", "Valdena_linea.txt", "Valdena_704-.txt",
                                    "--line-name", "A\xE2\x86\x92"},
                                   dir.path());
  EXPECT_EQ(arrow.status, 2);
  EXPECT_NE(arrow.err.find("U+2192"), std::string::npos) << arrow.err;
#endif
}

struct BadName {
  const char* name;
  std::string value;
  std::string why;
};

void PrintTo(const BadName& c, std::ostream* os) { *os << c.name; }

class BadNames : public ::testing::TestWithParam<BadName> {};

TEST_P(BadNames, AreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  ASSERT_EQ(run_scenarioc({"emit"}, dir.path()).status, 0);
  const auto before = list_dir(dir.path());
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt",
                                "--line-name", GetParam().value},
                               dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(GetParam().why), std::string::npos) << r.err;
  EXPECT_EQ(list_dir(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BadNames,
    ::testing::Values(BadName{"Empty", "", "empty"},
                      BadName{"Separator", "a/b", "path separator"},
                      BadName{"Backslash", "a\\b", "path separator"},
                      BadName{"DotDot", "..", "\"..\""},
                      BadName{"Control", "a\tb", "control character"},
                      BadName{"TooLong", std::string(101, 'x'), "longer than 100 bytes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Authoring, AnOutputThatIsAnInputIsRefused) {
  // The route file of train 704 is, through a hard link, the train file.
  fs::create_hard_link(dir / "Valdena_704-.txt", dir / "Valdena_704.dat");
  const std::string before = slurp(dir / "Valdena_704-.txt");
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is the source Valdena_704-.txt itself"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(dir / "Valdena_704-.txt"), before);
  EXPECT_FALSE(fs::exists(dir / "Valdena_704.sim"));
}

TEST_F(Authoring, Utf8StationNamesBecomeWindows1252) {
  edit_train("VALDENA CENTRALE", "VALDENA CITT\xC3\x80 \xE2\x82\xAC");  // À and €
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(slurp(dir / "Valdena_704.sim").find("VALDENA CITT\xC0 \x80"), std::string::npos);
}

TEST_F(Authoring, ACharacterWithoutWindows1252FormIsAnErrorWithItsLine) {
  edit_train("VALDENA CENTRALE", "VALDENA \xE2\x86\x92 NORD");  // an arrow
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Valdena_704-.txt:31:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("U+2192"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "Valdena_704.dat"));
}

TEST_F(Authoring, BytesThatAreNotUtf8AreTakenAsWindows1252) {
  edit_train("VALDENA CENTRALE", "VALDENA CITT\xC0");
  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(slurp(dir / "Valdena_704.sim").find("VALDENA CITT\xC0"), std::string::npos);
}

TEST(Compile, AMissingLineFileEndsWithoutWriting) {
  TempDir dir;
  const auto r = run_scenarioc({"compile", "Nulla_linea.txt", "Nulla_1-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Nulla_linea.txt"), std::string::npos) << r.err;
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(CommandLine, UnknownWordsAreUsageErrors) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"compil"}, {"--frobnicate"}, {"compile", "a"},
        {"emit", "x"}, {"check", "a", "b", "--dir", "x"}}) {
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("scenarioc: error:"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

}  // namespace
}  // namespace scenarioc
