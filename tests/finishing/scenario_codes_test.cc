#include "finishing/scenario_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace scenarioc {
namespace {

struct Codes {
  int32_t st;
  int16_t og;
};

Codes codes_of(const std::string& train, const std::string& line) {
  Scenario s;
  s.scenario_table[kTrainRow].text = train;
  s.scenario_table[kLineRow].text = line;
  return {timetable_scenario_code(s), route_scenario_code(s)};
}

// "704" + "valdena" + fill, first 25: 704valdena ppqqrrssttuuvvz
//   plain:    7 0 4 = 55+48+52 = 155; v a l d e n a = 118+97+108+100+101+110+97 = 731;
//             fill = 2x(112+113+114+115+116+117+118) + 122 = 2x805 + 122 = 1732;
//             155 + 731 + 1732 = 2618
//   weighted: 1x55 + 2x48 + 3x52 = 307; 4x118 + 5x97 + 6x108 + 7x100 + 8x101 + 9x110
//             + 10x97 = 472+485+648+700+808+990+970 = 5073;
//             11x112 + 12x112 + 13x113 + 14x113 + 15x114 + 16x114 + 17x115 + 18x115
//             + 19x116 + 20x116 + 21x117 + 22x117 + 23x118 + 24x118 + 25x122
//             = 1232+1344+1469+1582+1710+1824+1955+2070+2204+2320+2457+2574+2714
//             + 2832+3050 = 31337;  307 + 5073 + 31337 = 36717
TEST(ScenarioCodes, BuiltInTrainAndLine) {
  Scenario s;
  s.scenario_table[kTrainRow].text = "704";
  s.scenario_table[kLineRow].text = "Valdena";
  EXPECT_EQ(scenario_code_text(s), "704valdenappqqrrssttuuvvzzyyxxwwhhgg");
  EXPECT_EQ(timetable_scenario_code(s), 36717);
  EXPECT_EQ(route_scenario_code(s), 2618);
  EXPECT_TRUE(s.failures.empty());
}

// Both names empty: the first 25 of the fill, ppqqrrssttuuvvzzyyxxwwhhg.
//   plain:    2x(112+113+114+115+116+117+118+122+121+120+119+104) + 103 = 2x1391 + 103
//             = 2885
//   weighted: a pair at places 2k-1 and 2k counts (4k-1) times: 3x112 + 7x113 + 11x114
//             + 15x115 + 19x116 + 23x117 + 27x118 + 31x122 + 35x121 + 39x120 + 43x119
//             + 47x104 + 25x103 = 336+791+1254+1725+2204+2691+3186+3782+4235+4680
//             + 5117+4888+2575 = 37464
TEST(ScenarioCodes, EmptyNamesTakeTheFillText) {
  const Codes c = codes_of("", "");
  EXPECT_EQ(c.st, 37464);
  EXPECT_EQ(c.og, 2885);
}

// 25 characters or more: the fill never counts, nor anything after the 25th.
//   "abcdefghijklmnopqrstuvwxy": plain 97+...+121 = 25 x 109 = 2725;
//   weighted sum of i x (96 + i) = 96 x 325 + 5525 = 36725.
TEST(ScenarioCodes, OnlyTheFirst25CharactersCount) {
  const std::string first25 = "abcdefghijklmnopqrstuvwxy";
  for (const auto& [train, line] : {std::pair<std::string, std::string>{"", first25},
                                    {"abc", first25.substr(3)},
                                    {"abc", first25.substr(3) + "z"},
                                    {"abc", first25.substr(3) + "ZZZZZZZZZZZZZZZZ"},
                                    {first25 + "qq", "Valdena"}}) {
    const Codes c = codes_of(train, line);
    EXPECT_EQ(c.st, 36725) << train << " + " << line;
    EXPECT_EQ(c.og, 2725) << train << " + " << line;
  }
}

TEST(ScenarioCodes, CaseDoesNotMatter) {
  // Windows-1252 capitals: A..Z, Š Œ Ž Ÿ, À..Þ.
  const std::pair<std::string, std::string> same[] = {
      {"VALDENA", "valdena"},
      {"vAlDeNa", "valdena"},
      {"CITT\xC0", "citt\xE0"},
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},
      {"\xC9\xD0\xD6\xD8\xDE", "\xE9\xF0\xF6\xF8\xFE"},
  };
  for (const auto& [upper, lower] : same) {
    const Codes a = codes_of("704", upper);
    const Codes b = codes_of("704", lower);
    EXPECT_EQ(a.st, b.st) << upper;
    EXPECT_EQ(a.og, b.og) << upper;
    const Codes c = codes_of(upper, "x");
    const Codes d = codes_of(lower, "x");
    EXPECT_EQ(c.st, d.st) << upper;
    EXPECT_EQ(c.og, d.og) << upper;
  }
  // The multiplication sign sits among the capitals but is no letter.
  Scenario s;
  s.scenario_table[kLineRow].text = "\xD7\xDF";
  EXPECT_EQ(scenario_code_text(s).substr(0, 2), "\xD7\xDF");
}

TEST(ScenarioCodes, BytesAboveAsciiCountAsUnsigned) {
  // "é" + the fill's first 24: 233 + (2885 - 103) = 3015.
  EXPECT_EQ(codes_of("", "\xE9").og, 3015);
  // The largest codes, 25 x 255 and 325 x 255, fit their fields.
  const Codes top = codes_of(std::string(25, '\xFF'), "");
  EXPECT_EQ(top.og, 6375);
  EXPECT_EQ(top.st, 82875);
}

TEST(ScenarioCodes, TrainNumberComesFirst) {
  const Codes a = codes_of("704", "Valdena");
  const Codes b = codes_of("Valdena", "704");
  EXPECT_NE(a.st, b.st);
  EXPECT_EQ(a.og, b.og);  // the same 25 characters in another order
  // Swapped names that change which characters are taken change the plain sum.
  const std::string line(24, 'b');
  EXPECT_NE(codes_of("aa", line).og, codes_of(line, "aa").og);
}

}  // namespace
}  // namespace scenarioc
