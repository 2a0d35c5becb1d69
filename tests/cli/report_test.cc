#include "cli/report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "compiler/display_text.h"
#include "compiler/item_reader.h"

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
// middle or at the end: the report quotes a window of about 120 bytes around
// it, marks each cut with "...", and the caret stands under the X.
TEST(Report, ALongLineIsQuotedAroundTheItemOnly) {
  constexpr size_t kWindow = 130;
  for (const size_t at : {size_t{4}, size_t{5000}, size_t{9995}}) {
    std::string line(10000, 'a');
    line[at] = 'X';
    line[1] = '\t';
    const SourceLocation where = locate(line, "L_linea.txt", at, 3);
    EXPECT_LE(where.text.size(), kWindow);
    const std::string text = format_failure(Failure{25, std::nullopt, "bad", where});
    const size_t first_end = text.find('\n');
    const size_t quote_end = text.find('\n', first_end + 1);
    const std::string quoted = text.substr(first_end + 1, quote_end - first_end - 1);
    const std::string caret = text.substr(quote_end + 1);
    EXPECT_EQ(text.substr(0, first_end), "L_linea.txt:3:" + std::to_string(at + 1) + ": error 25: bad");
    EXPECT_LE(quoted.size(), kWindow + 6) << at;
    EXPECT_EQ(quoted.substr(0, 3) == "...", at > 100) << at;
    EXPECT_EQ(quoted.substr(quoted.size() - 3) == "...", at + 100 < line.size()) << at;
    ASSERT_EQ(caret.back(), '\n');
    const size_t caret_at = caret.find('^');
    ASSERT_LT(caret_at, quoted.size()) << at;
    EXPECT_EQ(quoted[caret_at], 'X') << at << ": the caret is not under the item";
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
  ASSERT_FALSE(s.failures.empty());
  EXPECT_EQ(s.failures.back().code, 13);
  EXPECT_EQ(s.failures.back().position, 0);
}

// The caret stands under the item's first character as the terminal shows
// the line: after an escaped byte, four columns on; after a "...", three.
TEST(Report, ALongLineIsShownAsAWindowWithTheCaretUnderTheItem) {
  const std::string line = std::string(1000, 'a') + "\x1b" + std::string(30, 'b') +
                           "segnale" + std::string(2000, 'c');
  const size_t item = line.find("segnale");
  const SourceLocation at = locate(line, "P_9-.txt", item, 7);
  EXPECT_EQ(at.column, static_cast<int>(item) + 1);
  const std::string shown =
      format_failure(Failure{25, std::nullopt, "bad", at, {}});
  std::istringstream lines(shown);
  std::string head, text, caret;
  std::getline(lines, head);
  std::getline(lines, text);
  std::getline(lines, caret);
  EXPECT_EQ(head, "P_9-.txt:7:" + std::to_string(item + 1) + ": error 25: bad");
  EXPECT_LT(text.size(), 140u);
  EXPECT_EQ(text.substr(0, 3), "...");
  EXPECT_EQ(text.substr(text.size() - 3), "...");
  EXPECT_NE(text.find("\\x1B"), std::string::npos);
  ASSERT_EQ(caret.back(), '^');
  EXPECT_EQ(text.substr(caret.size() - 1, 7), "segnale");
}

TEST(Report, WarningsAndNotesCarryTheirNamesAndPlaces) {
  Diagnostic d;
  d.severity = Severity::kWarning;
  d.warning = "unknown-key";
  d.failure.message = "'segnael' matches no key";
  d.failure.where = SourceLocation{"P_9-.txt", 3, 1, "segnael, 5"};
  d.failure.notes.push_back(Note{"the row is here", SourceLocation{"P_linea.txt", 4, 3, "x"}});
  EXPECT_EQ(format_diagnostic(d),
            "P_9-.txt:3:1: warning: 'segnael' matches no key [-Wunknown-key]\n"
            "segnael, 5\n^\n"
            "P_linea.txt:4:3: note: the row is here\nx\n  ^\n");
  const std::string as_error = format_diagnostic(d, /*werror=*/true);
  EXPECT_EQ(as_error.substr(0, as_error.find('\n')),
            "P_9-.txt:3:1: error: 'segnael' matches no key [-Werror=unknown-key]");
  EXPECT_EQ(summary_line(2, 3), "2 errors, 3 warnings");
  EXPECT_EQ(summary_line(1, 0), "1 error");
  EXPECT_EQ(summary_line(0, 1), "1 warning");
  EXPECT_EQ(summary_line(0, 0), "");
}

struct Shown {
  std::string in;
  std::string source;  // as source bytes (Windows-1252)
  std::string utf8;    // as text meant to be UTF-8
};

TEST(Report, BytesAreShownSafely) {
  for (const Shown& c : std::vector<Shown>{
           {"plain", "plain", "plain"},
           {"\x1b[2J", "\\x1B[2J", "\\x1B[2J"},
           {"CITT\xC0", "CITT\xC3\x80", "CITT\\xC0"},
           {"CITT\xC3\x80", "CITT\xC3\x83\xE2\x82\xAC", "CITT\xC3\x80"},
           {"\x81\x7f", "\\x81\\x7F", "\\x81\\x7F"},
           {"\xC2\x9B", "\xC3\x82\xE2\x80\xBA", "\\xC2\\x9B"},  // a C1 control in UTF-8
           {"a\tb\nc", "a\\x09b\\x0Ac", "a\tb\\x0Ac"},
       }) {
    EXPECT_EQ(shown_source(c.in), c.source) << c.in;
    EXPECT_EQ(shown_utf8(c.in), c.utf8) << c.in;
  }
  EXPECT_EQ(shown_source(std::string(100, 'x')), std::string(40, 'x') + "...");
}

}  // namespace
}  // namespace scenarioc
