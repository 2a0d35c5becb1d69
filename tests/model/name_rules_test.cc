// The line name and the train number become parts of file names. Which names
// are refused, and why, byte by byte; and how the names are read from the
// names of the two source files.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "model/scenario_names.h"

namespace scenarioc {
namespace {

const std::string kEmpty = "it is empty";
const std::string kTooLong = "it is longer than 100 bytes";
const std::string kSeparator = "it holds a path separator";
const std::string kDotDot = "it holds \"..\"";
const std::string kControl = "it holds a control character";

struct NameCase {
  const char* label;
  std::string name;
  std::string problem;  // empty: the name is accepted
};

std::string times(const std::string& piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

TEST(NameRules, RefuseEmptyLongDottedAndSeparatedNames) {
  const std::string e_acute = "\xC3\xA9";  // two bytes, one letter
  const NameCase cases[] = {
      {"empty", "", kEmpty},
      {"one byte", "a", ""},
      {"99 bytes", std::string(99, 'x'), ""},
      {"100 bytes", std::string(100, 'x'), ""},
      {"101 bytes", std::string(101, 'x'), kTooLong},
      {"100 bytes in 50 letters", times(e_acute, 50), ""},
      {"101 bytes in 51 letters", "x" + times(e_acute, 50), kTooLong},
      {"dot dot alone", "..", kDotDot},
      {"dot dot inside", "a..b", kDotDot},
      {"dot dot leading", "..a", kDotDot},
      {"dot dot trailing", "a..", kDotDot},
      {"one dot", ".", ""},
      {"dots apart", "a.b.c", ""},
      {"slash", "a/b", kSeparator},
      {"backslash", "a\\b", kSeparator},
      {"leading underscore", "_a", ""},
      {"spaces", "Val dena", ""},
  };
  for (const NameCase& c : cases) EXPECT_EQ(name_problem(c.name), c.problem) << c.label;
}

// Every byte value inside a name: controls (0x00 to 0x1F and DEL) and the two
// separators are refused, every other byte, beyond ASCII included, is kept.
TEST(NameRules, EveryByteValueInsideAName) {
  for (int b = 0; b < 256; ++b) {
    const std::string name = std::string("a") + static_cast<char>(b) + "b";
    std::string want;
    if (b < 0x20 || b == 0x7F)
      want = kControl;
    else if (b == '/' || b == '\\')
      want = kSeparator;
    EXPECT_EQ(name_problem(name), want) << "byte 0x" << std::hex << b;
    // Alone, at the start and at the end of a name as well.
    if (!want.empty()) {
      EXPECT_EQ(name_problem(std::string(1, static_cast<char>(b))), want) << std::hex << b;
      EXPECT_EQ(name_problem(static_cast<char>(b) + std::string("ab")), want) << std::hex << b;
      EXPECT_EQ(name_problem("ab" + std::string(1, static_cast<char>(b))), want) << std::hex << b;
    }
  }
}

struct TrainFileCase {
  const char* file;
  std::optional<std::string> line_name;  // none: the file name tells no names
  std::string train_number;
};

TEST(NameRules, TrainFileNamesSplitAtTheirLastUnderscore) {
  const TrainFileCase cases[] = {
      {"Valdena_704-.txt", "Valdena", "704"},
      {"Val_dena_704-.txt", "Val_dena", "704"},
      {"a__7-.txt", "a_", "7"},
      {"_a_7-.txt", "_a", "7"},
      {"_704-.txt", std::nullopt, ""},        // a leading "_" leaves no line name
      {"Valdena_-.txt", std::nullopt, ""},    // no train number
      {"Valdena704-.txt", std::nullopt, ""},  // no "_" at all
      {"Valdena_704.txt", std::nullopt, ""},  // no "-" before the extension
      {"Valdena_704-.dat", std::nullopt, ""},
      {"-.txt", std::nullopt, ""},
      {"_-.txt", std::nullopt, ""},
  };
  for (const TrainFileCase& c : cases) {
    const std::optional<TrainFileNames> got = names_from_train_file(c.file);
    ASSERT_EQ(got.has_value(), c.line_name.has_value()) << c.file;
    if (!got) continue;
    EXPECT_EQ(got->line_name, *c.line_name) << c.file;
    EXPECT_EQ(got->train_number, c.train_number) << c.file;
  }
}

TEST(NameRules, LineFileNamesEndInUnderscoreLinea) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"Valdena_linea.txt", "Valdena"},
      {"a_linea.txt", "a"},
      {"__linea.txt", "_"},
      {"Val_dena_linea.txt", "Val_dena"},
      {"_linea.txt", std::nullopt},  // nothing before "_linea"
      {"linea.txt", std::nullopt},
      {"Valdena_linea.dat", std::nullopt},
      {"Valdena_linea.txt.bak", std::nullopt},
  };
  for (const auto& [file, want] : cases) EXPECT_EQ(line_name_from_file(file), want) << file;
}

// Only a train number that names the line plan file ("linea", in any case,
// as the simulator's platform ignores case) makes two of a scenario's files
// one; names that merely look alike do not.
TEST(NameRules, NamesThatMakeTwoFilesOneAreFound) {
  const struct {
    const char* line;
    const char* train;
    bool collide;
  } cases[] = {
      {"Valdena", "704", false},      {"Valdena", "linea", true},
      {"Valdena", "LINEA", true},     {"Valdena", "LiNeA", true},
      {"Valdena", "linea-", false},   {"Valdena", "lineA2", false},
      {"linea", "704", false},        {"Valdena", "lin\xE9" "a", false},
      {"V", "linea.txt", false},
  };
  for (const auto& c : cases) {
    const std::string why = names_collide(c.line, c.train);
    EXPECT_EQ(!why.empty(), c.collide) << c.line << " " << c.train << ": " << why;
  }
  EXPECT_EQ(names_collide("Valdena", "Linea"),
            "the route file Valdena_Linea.dat would be the line plan file Valdena_linea.dat "
            "(letter case aside): one file for two; choose another train number");
}

}  // namespace
}  // namespace scenarioc
