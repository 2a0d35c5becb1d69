#include "format/timetable_file.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::le16;
using testing::le32;

TEST(TimetableFile, ClearedRowsAreThirtyFourZeroBytes) {
  Scenario s;
  const std::string b = encode_timetable(s);
  ASSERT_EQ(b.size(), kScenarioRows * kScenarioRecordFixedBytes);
  EXPECT_EQ(b, std::string(b.size(), '\0'));
}

TEST(TimetableFile, RowFieldsInDeclarationOrderAroundTheText) {
  Scenario s;
  ScenarioRecord& r = s.scenario_table[1];
  r.type = 8;
  r.start_pos = -500;
  r.stop_pos = 500;
  r.position = 0x01020304;
  r.byte_a = 1;
  r.text = "ABC";
  r.int_a = 4;
  r.int_b = -1;
  r.int_c = 2;
  r.int_d = 3;
  r.int_e = 5;
  r.byte_e = 6;
  r.byte_f = 7;
  r.byte_c = 9;
  r.byte_d = 10;
  r.time_s = 24720;
  const std::string b = encode_timetable(s);
  ASSERT_EQ(b.size(), kScenarioRows * 34 + 3);
  const size_t at = 34;  // row 0 is cleared
  EXPECT_EQ(b[at], 8);
  EXPECT_EQ(le32(b, at + 1), -500);
  EXPECT_EQ(le32(b, at + 5), 500);
  EXPECT_EQ(le32(b, at + 9), 0x01020304);
  EXPECT_EQ(b[at + 13], 1);
  EXPECT_EQ(le16(b, at + 14), 3);
  EXPECT_EQ(b.substr(at + 16, 3), "ABC");
  const size_t n = at + 3;
  EXPECT_EQ(le16(b, n + 16), 4);
  EXPECT_EQ(le16(b, n + 18), -1);
  EXPECT_EQ(le16(b, n + 20), 2);
  EXPECT_EQ(le16(b, n + 22), 3);
  EXPECT_EQ(le16(b, n + 24), 5);
  EXPECT_EQ(b[n + 26], 6);
  EXPECT_EQ(b[n + 27], 7);
  EXPECT_EQ(b[n + 28], 9);
  EXPECT_EQ(b[n + 29], 10);
  EXPECT_EQ(le32(b, n + 30), 24720);
}

TEST(TimetableFile, LineNameInRow85AsLengthAndBytes) {
  Scenario s;
  s.scenario_table[kLineRow].text = "Valdena";
  s.scenario_table[kTrainRow].text = "704";
  const std::string b = encode_timetable(s);
  const size_t row85 = 85 * 34;
  EXPECT_EQ(le16(b, row85 + 14), 7);
  EXPECT_EQ(b.substr(row85 + 16, 7), "Valdena");
  const size_t row86 = 86 * 34 + 7;
  EXPECT_EQ(le16(b, row86 + 14), 3);
  EXPECT_EQ(b.substr(row86 + 16, 3), "704");
  EXPECT_EQ(b.size(), 87 * 34 + 10u);
}

TEST(TimetableFile, TextBeyondTheLengthPrefixIsRefused) {
  Scenario s;
  s.scenario_table[1].text.assign(65536, 'A');
  EXPECT_THROW(encode_timetable(s), std::length_error);
  s.scenario_table[1].text.assign(65535, 'A');
  EXPECT_EQ(encode_timetable(s).size(), 87 * 34 + 65535u);
}

}  // namespace
}  // namespace scenarioc
