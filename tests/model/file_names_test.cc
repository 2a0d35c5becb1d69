// Which names make one set of files the program replaces together: a
// journal naming anything else is never acted on.
#include "model/file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenarioc {
namespace {

struct SetCase {
  const char* name;
  std::vector<std::string> files;
  bool one_set;
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

class WrittenSets : public ::testing::TestWithParam<SetCase> {};

TEST_P(WrittenSets, AreTheProgramsOwnAndNothingElse) {
  EXPECT_EQ(is_one_written_set(GetParam().files), GetParam().one_set);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrittenSets,
    ::testing::Values(
        SetCase{"CompiledWithPlan", {"Valdena_linea.dat", "Valdena_704.sim", "Valdena_704.dat"}, true},
        SetCase{"CompiledInAnyOrder", {"Valdena_704.dat", "Valdena_linea.dat", "Valdena_704.sim"}, true},
        SetCase{"CompiledWithoutPlan", {"Valdena_704.sim", "Valdena_704.dat"}, true},
        SetCase{"NamesWithUnderscores", {"Val_dena_linea.dat", "Val_dena_7_04.sim", "Val_dena_7_04.dat"}, true},
        SetCase{"DecompiledPair", {"Valdena_linea.txt", "Valdena_704-.txt"}, true},
        SetCase{"EmitsFive",
                {"Valdena_linea.txt", "Valdena_704-.txt", "Valdena_704_note.txt",
                 "Valdena_704_rallentamenti.txt", "Valdena_704_scheda_treno.txt"},
                true},
        SetCase{"AnAuthorsFile", {"notes.doc"}, false},
        SetCase{"OneFileAlone", {"Valdena_linea.dat"}, false},
        SetCase{"AnAuthorsFileInASet", {"Valdena_704.sim", "Valdena_704.dat", "notes.doc"}, false},
        SetCase{"TwoScenarios", {"Valdena_linea.dat", "Monte_704.sim", "Monte_704.dat"}, false},
        SetCase{"TwoTrains", {"Valdena_704.sim", "Valdena_705.dat"}, false},
        SetCase{"SourcesOfTwoLines", {"Valdena_linea.txt", "Monte_704-.txt"}, false},
        SetCase{"AFormMissing",
                {"Valdena_linea.txt", "Valdena_704-.txt", "Valdena_704_note.txt",
                 "Valdena_704_rallentamenti.txt"},
                false},
        SetCase{"ARouteThatIsTheLinePlan", {"Valdena_linea.dat", "Valdena_linea.sim", "Valdena_linea.dat"}, false},
        SetCase{"Nothing", {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
