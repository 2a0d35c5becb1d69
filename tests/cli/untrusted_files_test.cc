// Compiled files and names the commands did not make themselves: files far
// larger than any scenario's, texts holding control bytes, names that make
// two files one. Each is refused or shown safely, in one line, with nothing
// written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

int lines_of(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Control bytes a terminal would act on: C0 but the line end and the tab,
// DEL, and C1 as UTF-8 (U+0080 to U+009F).
std::string raw_control_in(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F || (c == 0xC2 && next >= 0x80 && next < 0xA0))
      return "byte " + std::to_string(c) + " at " + std::to_string(i);
  }
  return "";
}

// A folder with the built-in scenario compiled by `compile` from its sources.
class CompiledFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_scenarioc({"emit"}, dir.path()).status, 0);
  }
  testing::RunResult compile(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"compile", "Valdena_linea.txt", "Valdena_704-.txt"};
    args.insert(args.end(), more.begin(), more.end());
    return run_scenarioc(args, dir.path());
  }
  TempDir dir;
};

// ---- bounded readers ------------------------------------------------------

struct HugeFile {
  const char* label;
  const char* file;
  uintmax_t size;
  friend void PrintTo(const HugeFile& h, std::ostream* os) { *os << h.label; }
};

class HugeCompiledFile : public CompiledFolder, public ::testing::WithParamInterface<HugeFile> {};

// A file of zeros (sparse: it takes no room on the disk) far beyond the
// largest its layout allows is refused before it is read, by every reader.
TEST_P(HugeCompiledFile, IsRefusedInOneLineBeforeItIsRead) {
  ASSERT_EQ(compile().status, 0);
  const fs::path huge = dir / GetParam().file;
  fs::resize_file(huge, 0);
  fs::resize_file(huge, GetParam().size);
  TempDir out;
  const std::vector<std::vector<std::string>> commands = {
      {"plot", "-o", (out / "p.svg").string()},
      {"decompile", "-o", out.path().string()},
      {"dump", GetParam().file},
  };
  for (const std::vector<std::string>& args : commands) {
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 2) << args[0] << ": " << r.err;
    EXPECT_EQ(lines_of(r.err), 1) << args[0] << ": " << r.err;
    EXPECT_NE(r.err.find(std::to_string(GetParam().size) + " bytes, more than any"),
              std::string::npos)
        << args[0] << ": " << r.err;
  }
  EXPECT_TRUE(list_dir(out.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, HugeCompiledFile,
    ::testing::Values(HugeFile{"plan256MiB", "Valdena_linea.dat", uintmax_t{256} << 20},
                      HugeFile{"route2GiB", "Valdena_704.dat", uintmax_t{2} << 30},
                      HugeFile{"timetable2GiB", "Valdena_704.sim", uintmax_t{2} << 30}),
    [](const auto& info) { return std::string(info.param.label); });

// Within the bound, a plan of zeros holds more metres than the longest
// route's plan: refused at the first metre past it.
TEST_F(CompiledFolder, APlanOfMoreMetresThanTheLongestRouteIsDamaged) {
  ASSERT_EQ(compile().status, 0);
  const fs::path plan = dir / "Valdena_linea.dat";
  fs::resize_file(plan, 0);
  fs::resize_file(plan, 20000000);
  const auto r = run_scenarioc({"dump", "Valdena_linea.dat"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("goes on past metre 1007000"), std::string::npos) << r.err;
}

// ---- clean terminals ------------------------------------------------------

// A station name with ESC (starting a colour), BEL and the byte Windows-1252
// leaves unassigned at 0x9D, which reads as the C1 control U+009D.
class ControlBytes : public CompiledFolder {
 protected:
  void SetUp() override {
    CompiledFolder::SetUp();
    std::string train = slurp(dir / "Valdena_704-.txt");
    const std::string name = "PIANCORE DI VALDENA";
    const size_t at = train.find(name);
    ASSERT_NE(at, std::string::npos);
    line = static_cast<int>(std::count(train.begin(), train.begin() + static_cast<ptrdiff_t>(at), '\n')) + 1;
    column = static_cast<int>(at - train.rfind('\n', at)) + 4;  // the ESC after "PIAN"
    train.replace(at, name.size(), "PIAN\x1B[31mCORE\x07 DI\x9D VALDENA");
    spit(dir / "Valdena_704-.txt", train);
  }
  int line = 0, column = 0;
};

TEST_F(ControlBytes, AreWarnedAboutAtTheirRowAndColumn) {
  const auto r = compile();
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string where =
      "Valdena_704-.txt:" + std::to_string(line) + ":" + std::to_string(column) + ": warning: ";
  EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("holds the control character \\x1B"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("[-Wcontrol-character]"), std::string::npos) << r.err;
  EXPECT_EQ(raw_control_in(r.err), "") << r.err;
  const auto quiet = compile({"-Wno-control-character"});
  EXPECT_EQ(quiet.err.find("control-character"), std::string::npos) << quiet.err;
}

TEST_F(ControlBytes, ReachNoTerminalRawFromDumpDecompileOrPlot) {
  ASSERT_EQ(compile().status, 0);
  const auto text = run_scenarioc({"dump", "Valdena_704.sim"}, dir.path());
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(raw_control_in(text.out), "");
  EXPECT_NE(text.out.find("PIAN\\x1B[31mCORE\\x07 DI\\xC2\\x9D VALDENA"), std::string::npos)
      << text.out;

  const auto js = run_scenarioc({"dump", "Valdena_704.sim", "--json"}, dir.path());
  ASSERT_EQ(js.status, 0) << js.err;
  EXPECT_EQ(raw_control_in(js.out), "");
  EXPECT_NE(js.out.find("\\u001b[31mCORE\\u0007 DI\\u009d VALDENA"), std::string::npos);
  const nlohmann::json doc = nlohmann::json::parse(js.out);
  EXPECT_EQ(doc["rows"][2]["name"], "PIAN\x1B[31mCORE\x07 DI\xC2\x9D VALDENA");

  // Files compiled under a line name holding the C1 byte, read under
  // another: decompile's note names the stored one.
  ASSERT_EQ(compile({"--line-name", "Val\x9D" "dena", "--no-plan"}).status, 0);
  TempDir named, out;
  for (const char* tail : {"_704.sim", "_704.dat"})
    fs::copy_file(dir / (std::string("Val\x9D" "dena") + tail), named / (std::string("Valdena") + tail));
  const auto d = run_scenarioc({"decompile", "--dir", named.path().string(), "-o",
                                out.path().string()},
                               dir.path());
  EXPECT_NE(d.err.find("compiled as line 'Val\\x9Ddena'"), std::string::npos) << d.err;
  EXPECT_EQ(raw_control_in(d.err), "") << d.err;

#ifndef _WIN32
  // plot names a missing plan by the folder's file names, which may hold
  // any byte but '/' here (Windows refuses control characters in names).
  TempDir odd;
  for (const char* tail : {"_704.sim", "_704.dat"})
    fs::copy_file(dir / (std::string("Valdena") + tail), odd / (std::string("Val\x1B" "dena") + tail));
  const auto p = run_scenarioc({"plot", "--dir", odd.path().string(), "-o",
                                (out / "p.svg").string()},
                               dir.path());
  EXPECT_EQ(p.status, 0) << p.err;
  EXPECT_NE(p.err.find("Val\\x1Bdena_linea.dat"), std::string::npos) << p.err;
  EXPECT_EQ(raw_control_in(p.err), "") << p.err;
#endif
}

// ---- names that make two files one -----------------------------------------

TEST_F(CompiledFolder, ATrainNumberThatNamesTheLinePlanIsRefusedWithNothingWritten) {
  for (const char* train : {"linea", "LINEA", "Linea"}) {
    for (const char* command : {"compile", "check"}) {
      const auto before = list_dir(dir.path());
      const auto r = run_scenarioc({command, "Valdena_linea.txt", "Valdena_704-.txt",
                                    "--train-number", train},
                                   dir.path());
      EXPECT_EQ(r.status, 2) << command << " " << train;
      EXPECT_EQ(lines_of(r.err), 1) << r.err;
      EXPECT_NE(r.err.find("the route file Valdena_" + std::string(train) +
                           ".dat would be the line plan file Valdena_linea.dat"),
                std::string::npos)
          << r.err;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(list_dir(dir.path()), before) << command << " " << train;
    }
  }
  // A folder that holds such a scenario already (made by hand): the readers
  // cannot tell the route from the plan and say so.
  ASSERT_EQ(compile().status, 0);
  TempDir odd, out;
  fs::copy_file(dir / "Valdena_704.sim", odd / "Valdena_linea.sim");
  fs::copy_file(dir / "Valdena_704.dat", odd / "Valdena_linea.dat");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"plot", "--dir", odd.path().string(), "-o", (out / "p.svg").string()},
        std::vector<std::string>{"decompile", "--dir", odd.path().string(), "-o", out.path().string()}}) {
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(lines_of(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("one file for two"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(list_dir(out.path()).empty());
}

}  // namespace
}  // namespace scenarioc
