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

// A line of 10 000 bytes with the item at fault, X, at the start, in the
// middle or at the end: the report quotes about 200 bytes around it, marks
// each cut with "...", and the caret stands under the X. A location that
// arrives with its whole line is cut the same way.
TEST(Report, ALongLineIsQuotedAroundTheItemOnly) {
  for (const size_t at : {size_t{4}, size_t{5000}, size_t{9995}}) {
    std::string line(10000, 'a');
    line[at] = 'X';
    line[1] = '\t';
    SourceLocation cut{"L_linea.txt", 3, static_cast<int>(at) + 1, ""};
    quote_line(cut, line, at);
    EXPECT_LE(cut.text.size(), 2 * kQuotedReach + 6);
    const SourceLocation whole{"L_linea.txt", 3, static_cast<int>(at) + 1, line};
    for (const SourceLocation& where : {cut, whole}) {
      const std::string text = format_failure(Failure{25, std::nullopt, "bad", where});
      const size_t first_end = text.find('\n');
      const size_t quote_end = text.find('\n', first_end + 1);
      const std::string quoted = text.substr(first_end + 1, quote_end - first_end - 1);
      const std::string caret = text.substr(quote_end + 1);
      EXPECT_EQ(text.substr(0, first_end),
                "L_linea.txt:3:" + std::to_string(at + 1) + ": error 25: bad");
      EXPECT_LE(quoted.size(), 2 * kQuotedReach + 6) << at;
      EXPECT_EQ(quoted.substr(0, 3) == "...", at > kQuotedReach) << at;
      EXPECT_EQ(quoted.substr(quoted.size() - 3) == "...", at + kQuotedReach < line.size())
          << at;
      ASSERT_EQ(caret.back(), '\n');
      ASSERT_LT(caret.size() - 2, quoted.size()) << at;
      EXPECT_EQ(quoted[caret.size() - 2], 'X') << at << ": the caret is not under the item";
      EXPECT_EQ(caret.substr(caret.size() - 2), "^\n");
    }
  }
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
