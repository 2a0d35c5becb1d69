#include "cli/report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace scenarioc {
namespace {

TEST(Report, SourceFailureShowsTheLineAndACaretUnderTheItem) {
  const Failure f{16, 23850, "signal at 23850 m: cell 478 is already taken by a speed board",
                  SourceLocation{"Valdena_704-.txt", 61, 12,
                                 "segnale,\t  23850,   1, 4, 0,  0, 0,    1,  1,0,0, 0"}};
  EXPECT_EQ(format_failure(f),
            "Valdena_704-.txt:61:12: error 16: signal at 23850 m: cell 478 is already taken "
            "by a speed board\n"
            "segnale,\t  23850,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"
            "        \t  ^\n");
}

TEST(Report, FailureWithoutSourceLineNamesTheProgram) {
  EXPECT_EQ(format_failure(Failure{11, 1500, "no free cell at 1500 m (cell 30)", std::nullopt}),
            "scenarioc: error 11: no free cell at 1500 m (cell 30)\n");
  EXPECT_EQ(format_failure(Failure{2, std::nullopt, "progressive",
                                   SourceLocation{"L_linea.txt", 0, 0, ""}}),
            "L_linea.txt: error 2: progressive\n");
}

TEST(Report, ACodeRepeatedOftenIsSummedUp) {
  Scenario s;
  for (int i = 0; i < kRepeatsShown + 5; ++i)
    s.record(Failure{12, i * 50, "group " + std::to_string(i), std::nullopt});
  s.record(Failure{13, 0, "other", std::nullopt});
  std::ostringstream err;
  report_failures(s, err);
  const std::string text = err.str();
  EXPECT_NE(text.find("group 19\n"), std::string::npos);
  EXPECT_EQ(text.find("group 20\n"), std::string::npos);
  EXPECT_NE(text.find("error 13: other\n"), std::string::npos);
  EXPECT_NE(text.find("scenarioc: error 12: 5 more failures with this code not shown\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(s.error_code, 13);
  EXPECT_EQ(s.error_position, 0);
}

}  // namespace
}  // namespace scenarioc
