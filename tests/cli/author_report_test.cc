// The report of `compile` and `check` as an author sees it on the terminal:
// sources refused before anything is written, warnings and their switches,
// the closing summary and the line on success.
#include <gtest/gtest.h>

#include <filesystem>

#include "compiler/warnings.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

const std::string kLine =
    "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\npendenza,  0,  3\r\n[fine]\r\n";
const std::string kTrain =
    "[generale]\r\nvelocita,  0,  100\r\n"
    "segnale,  5000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n[fine]\r\n";

class Author : public ::testing::Test {
 protected:
  void SetUp() override {
    spit(dir / "Prova_linea.txt", kLine);
    spit(dir / "Prova_9-.txt", kTrain);
  }
  testing::RunResult run(std::vector<std::string> args) {
    args.insert(args.begin(), {"compile", "Prova_linea.txt", "Prova_9-.txt"});
    return run_scenarioc(args, dir.path());
  }
  TempDir dir;
};

TEST_F(Author, ACleanCompileSaysWhatItCompiledOnStandardOutput) {
  const auto r = run({});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Prova: 20000 m, 0 stations, 1 signal, 0 slow-downs -> Prova_linea.dat, "
            "Prova_9.sim, Prova_9.dat\n");
  const auto quiet = run({"-q"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
  const auto check = run_scenarioc({"check", "Prova_linea.txt", "Prova_9-.txt"}, dir.path());
  EXPECT_EQ(check.out, "Prova: 20000 m, 0 stations, 1 signal, 0 slow-downs\n");
}

TEST_F(Author, AWarningLeavesTheStatusAndTheFilesAndIsSummedUp) {
  spit(dir / "Prova_9-.txt", "[generale]\r\nsegnael,  5000\r\n" + kTrain.substr(12));
  const auto r = run({});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Prova_9-.txt:2:1: warning: 'segnael' matches no key"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("did you mean 'segnale'? [-Wunknown-key]\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - 10), "1 warning\n");
  EXPECT_NE(r.out.find("-> Prova_linea.dat"), std::string::npos);

  const auto off = run({"-Wno-unknown-key"});
  EXPECT_EQ(off.status, 0);
  EXPECT_EQ(off.err, "");

  fs::remove(dir / "Prova_9.dat");
  const auto werror = run({"--werror"});
  EXPECT_EQ(werror.status, 1);
  EXPECT_NE(werror.err.find("error: 'segnael' matches"), std::string::npos) << werror.err;
  EXPECT_NE(werror.err.find("[-Werror=unknown-key]"), std::string::npos) << werror.err;
  EXPECT_EQ(werror.err.substr(werror.err.size() - 8), "1 error\n");
  EXPECT_EQ(werror.out, "");
  EXPECT_TRUE(fs::exists(dir / "Prova_9.dat"));  // written, as for errors

  const auto unknown = run({"-Wno-no-such-thing"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("no warning is named 'no-such-thing'"), std::string::npos);
}

TEST_F(Author, FatalErrorsStopTheReportAtTheFirstFailureOfAFile) {
  spit(dir / "Prova_linea.txt",
       "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\n"
       "pendenza,  uno,  3\r\npendenza,  due,  3\r\n[fine]\r\n");
  const auto r = run({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\n2 errors; no compiled file written\n"
                       "the rest of the line file was not compiled: 1 gradient\n"),
            std::string::npos)
      << r.err;
  const auto fatal = run({"--fatal-errors"});
  EXPECT_EQ(fatal.status, 1);
  EXPECT_EQ(fatal.err.find("Prova_linea.txt:5:"), std::string::npos) << fatal.err;
  EXPECT_NE(fatal.err.find("\n1 error; no compiled file written\n"), std::string::npos)
      << fatal.err;
}

// A train file that is no train file is refused in one line, before
// anything is written: the outputs of an earlier compile stay as they were.
struct BadInput {
  const char* name;
  std::string bytes;  // empty with `missing`
  bool missing = false;
  bool directory = false;
  std::string reason;
};

void PrintTo(const BadInput& b, std::ostream* os) { *os << b.name; }

class RefusedTrainFiles : public ::testing::TestWithParam<BadInput> {};

std::string random_bytes(size_t n) {
  std::string out(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return out;
}

TEST_P(RefusedTrainFiles, EndWithStatusTwoAndLeaveEarlierOutputs) {
  const BadInput& b = GetParam();
  TempDir dir;
  spit(dir / "Prova_linea.txt", kLine);
  spit(dir / "Prova_9-.txt", kTrain);
  ASSERT_EQ(run_scenarioc({"compile", "Prova_linea.txt", "Prova_9-.txt"}, dir.path()).status, 0);
  std::map<std::string, std::string> before;
  for (const char* name : {"Prova_linea.dat", "Prova_9.sim", "Prova_9.dat"})
    before[name] = slurp(dir / name);

  fs::remove(dir / "Prova_9-.txt");
  if (b.directory) fs::create_directory(dir / "Prova_9-.txt");
  else if (!b.missing) spit(dir / "Prova_9-.txt", b.bytes);
  const auto r = run_scenarioc({"compile", "Prova_linea.txt", "Prova_9-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  // One line, naming the file and the reason.
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_EQ(r.err.rfind("Prova_9-.txt", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(b.reason), std::string::npos) << r.err;
  for (const auto& [name, bytes] : before) EXPECT_TRUE(slurp(dir / name) == bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedTrainFiles,
    ::testing::Values(
        BadInput{"Missing", "", true, false, "no such file"},
        BadInput{"Directory", "", false, true, "is a directory"},
        BadInput{"Empty", "", false, false, "is empty"},
        BadInput{"OnlyBlanks", "\xEF\xBB\xBF  \r\n\r\n", false, false, "nothing but blanks"},
        BadInput{"RandomBytes", random_bytes(5000), false, false, "no text"},
        BadInput{"Utf16", std::string("\xFF\xFE[\0g\0e\0n\0", 10), false, false, "UTF-16"},
        BadInput{"Utf16WithoutMark", std::string("[\0g\0e\0n\0e\0r\0a\0l\0e\0]\0", 20), false,
                 false, "UTF-16"},
        BadInput{"ControlBytes", std::string(200, '\x1b') + "[generale]", false, false,
                 "control bytes"},
        BadInput{"NoHeader", "numero vetture,  6\r\n[fine]\r\n", false, false,
                 "no '[generale]' header"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AuthorTerminal, ACompiledFileGivenAsASourceIsRefusedWithoutEchoingIt) {
  TempDir dir;
  ASSERT_EQ(run_scenarioc({"--dir", dir.path().string(), "--console"}, dir.path()).status, 0);
  spit(dir / "Prova_linea.txt", kLine);
  fs::copy_file(dir / "Valdena_704.dat", dir / "Prova_9-.txt");
  const auto r = run_scenarioc({"check", "Prova_linea.txt", "Prova_9-.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_LT(r.err.size(), 200u) << r.err;
  EXPECT_NE(r.err.find("NUL bytes"), std::string::npos) << r.err;
}

TEST(AuthorTerminal, NothingOfASourceReachesTheTerminalRaw) {
  TempDir dir;
  // An escape sequence in a key, a 100 KB item, a NUL-free control byte.
  spit(dir / "Prova_linea.txt",
       "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\n"
       "\x1b[2Jsegnael,  1\r\npendenza,  " + std::string(100000, '7') + "x,  3\r\n[fine]\r\n");
  spit(dir / "Prova_9-.txt", kTrain);
  const auto r = run_scenarioc({"check", "Prova_linea.txt", "Prova_9-.txt"}, dir.path());
  EXPECT_EQ(r.status, 1) << r.err;
  for (const char c : r.err)
    EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
        << "a control byte reached the terminal:\n" << r.err;
  EXPECT_NE(r.err.find("\\x1B[2Jsegnael"), std::string::npos) << r.err;
  EXPECT_LT(r.err.size(), 2000u) << "the long item was echoed";
}

TEST(AuthorTerminal, HelpListsEveryWarning) {
  TempDir dir;
  const auto r = run_scenarioc({"help", "warnings"}, dir.path());
  EXPECT_EQ(r.status, 0);
  for (const WarningInfo& w : warning_table())
    EXPECT_NE(r.out.find("  " + std::string(w.name) + " "), std::string::npos) << w.name;
  const auto compile_help = run_scenarioc({"help", "compile"}, dir.path());
  EXPECT_NE(compile_help.out.find("-Wno-NAME"), std::string::npos) << compile_help.out;
  EXPECT_NE(compile_help.out.find("--werror"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
