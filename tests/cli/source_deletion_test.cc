// The built-in run consumes its text sources: which of them are gone after a
// compile depends on where it stopped. A user's sources are never deleted.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/file_sources.h"
#include "compiler/compile_fixture.h"
#include "compiler/parse_sources.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::line_file;
using testing::spit;
using testing::TempDir;
using testing::train_file;

struct DeletionCase {
  const char* name;
  std::optional<std::string> line;  // none: no line file at all
  std::string train;
  int32_t code;  // the last failure, 0 for none
  bool line_left, train_left;
};

void PrintTo(const DeletionCase& c, std::ostream* os) { *os << c.name; }

class SourceDeletion : public ::testing::TestWithParam<DeletionCase> {
 protected:
  Scenario compile(bool consume) {
    const DeletionCase& c = GetParam();
    if (c.line) spit(dir / "P_linea.txt", *c.line);
    spit(dir / "P_1-.txt", c.train);
    Scenario s;
    s.line_name = "P";
    s.train_number = "1";
    s.build_line_plan = true;
    FileSources sources({"P_linea.txt", dir / "P_linea.txt"}, {"P_1-.txt", dir / "P_1-.txt"},
                        consume);
    parse_sources(s, sources);
    return s;
  }
  TempDir dir;
};

TEST_P(SourceDeletion, LeavesTheSourcesTheStopLeaves) {
  const DeletionCase& c = GetParam();
  const Scenario s = compile(true);
  EXPECT_EQ(s.failures.empty() ? 0 : s.failures.back().code, c.code);
  EXPECT_EQ(fs::exists(dir / "P_linea.txt"), c.line_left);
  EXPECT_EQ(fs::exists(dir / "P_1-.txt"), c.train_left);
}

TEST_P(SourceDeletion, NeverTouchesAUsersSources) {
  const DeletionCase& c = GetParam();
  compile(false);
  EXPECT_EQ(fs::exists(dir / "P_linea.txt"), c.line.has_value());
  EXPECT_TRUE(fs::exists(dir / "P_1-.txt"));
}

const std::string kGoodTrain = train_file("vetture, 3\r\n");

INSTANTIATE_TEST_SUITE_P(
    Stops, SourceDeletion,
    ::testing::Values(
        DeletionCase{"Success", line_file(""), kGoodTrain, 0, false, false},
        DeletionCase{"NoLineFile", std::nullopt, kGoodTrain, 101, false, true},
        DeletionCase{"ErrorExitInTheLineFile", "no header\r\n[fine]\r\n", kGoodTrain, 102,
                     false, true},
        DeletionCase{"PositionPastTheRouteGoesOn", line_file("pendenza, 99999, 1\r\n"),
                     kGoodTrain, 15, false, false},
        DeletionCase{"RuntimeFailureInTheLineFile", line_file("pendenza, x, 1\r\n"),
                     kGoodTrain, 25, false, false},
        DeletionCase{"ErrorExitInTheTrainFile", line_file(""),
                     train_file("stazione, 1025, 2, 400\r\n"), 8, false, false},
        DeletionCase{"RuntimeFailureInTheTrainFile", line_file(""),
                     train_file("vetture, many\r\n"), 25, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
