#include "format/timetable_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "format/format_error.h"
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

TEST(TimetableFile, EveryFieldOfEveryRowComesBack) {
  Timetable t;
  for (int row = 0; row < kScenarioRows; ++row) {
    ScenarioRecord& r = t[static_cast<size_t>(row)];
    r.type = static_cast<uint8_t>(255 - row);
    r.start_pos = -row * 1000003;
    r.stop_pos = row * 7;
    r.position = INT32_MIN + row;
    r.byte_a = static_cast<uint8_t>(row);
    r.text.assign(static_cast<size_t>(row % 5), static_cast<char>(0x80 + row));
    r.int_a = static_cast<int16_t>(-32768 + row);
    r.int_b = static_cast<int16_t>(32767 - row);
    r.int_c = static_cast<int16_t>(row);
    r.int_d = static_cast<int16_t>(-row);
    r.int_e = static_cast<int16_t>(row * 3);
    r.byte_e = 1;
    r.byte_f = 2;
    r.byte_c = 3;
    r.byte_d = 4;
    r.time_s = INT32_MAX - row;
  }
  t[40].text.assign(kLongestText, 'L');
  const std::string b = encode_timetable(t);
  EXPECT_TRUE(decode_timetable(b) == t);
}

struct DamagedTimetable {
  const char* name;
  std::string bytes;
  uint64_t offset;
  const char* says;
  friend void PrintTo(const DamagedTimetable& d, std::ostream* os) { *os << d.name; }
};

// The built-in run's rows 85 and 86 hold "Valdena" and "704"; all others are
// cleared.
std::string named_rows() {
  Scenario s;
  s.scenario_table[kLineRow].text = "Valdena";
  s.scenario_table[kTrainRow].text = "704";
  return encode_timetable(s);
}

std::string with_u16(std::string b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xff);
  b[at + 1] = static_cast<char>(v >> 8);
  return b;
}

class DamagedTimetableFile : public ::testing::TestWithParam<DamagedTimetable> {};

TEST_P(DamagedTimetableFile, IsRefusedAtTheByteAtFault) {
  const DamagedTimetable& d = GetParam();
  try {
    decode_timetable(d.bytes);
    FAIL() << "decoded";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.offset(), d.offset);
    EXPECT_NE(std::string(e.what()).find(d.says), std::string::npos) << e.what();
  }
}

constexpr size_t kNamedSize = 87 * 34 + 10;
constexpr size_t kRow86 = 86 * 34 + 7;

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedTimetableFile,
    ::testing::Values(DamagedTimetable{"Empty", "", 0, "ends inside row 0"},
                      DamagedTimetable{"EndsInsideATextLength", named_rows().substr(0, 34 + 15), 49,
                                       "ends inside row 1, which starts at byte 34"},
                      DamagedTimetable{"EightySixRows", named_rows().substr(0, kRow86), kRow86,
                                       "ends inside row 86"},
                      DamagedTimetable{"LastRowCutShort", named_rows().substr(0, kNamedSize - 1),
                                       kNamedSize - 1, "needs 34 + 3 bytes"},
                      DamagedTimetable{"TextLongerThanTheFile",
                                       with_u16(named_rows(), 5 * 34 + 14, 0xffff), kNamedSize,
                                       "row 5, which starts at byte 170 and needs 34 + 65535"},
                      DamagedTimetable{"ByteAfterTheLastRow", named_rows() + "x", kNamedSize,
                                       "1 more byte after row 86"},
                      DamagedTimetable{"TwoTimetables", named_rows() + named_rows(), kNamedSize,
                                       "2968 more bytes after row 86"},
                      // A length one short shifts the next row: its text length now
                      // takes a byte of its own fields, 0x300.
                      DamagedTimetable{"TextLengthOneShort",
                                       with_u16(named_rows(), 85 * 34 + 14, 6), kNamedSize,
                                       "needs 34 + 768 bytes"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
