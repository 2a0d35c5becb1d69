#include "format/timetable_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

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


// Stations take rows 1 upward and signs rows 80 downward. Each case lays
// out a table and asks where the stations end, with and without the lowest
// row a sign cell names.
struct StationRowsCase {
  const char* what;
  std::vector<int> stations;      // rows given a station's numbers
  int lowest_sign_text;           // rows from here to 80 hold a text alone; 0 for none
  std::vector<int> bare_stations; // stations at 0 m of kind 0: only a name
  std::optional<int> lowest_named;
  int last_station;
};

class StationRows : public ::testing::TestWithParam<StationRowsCase> {};

TEST_P(StationRows, EndWhereTheCompilerStoppedWritingThem) {
  const StationRowsCase& c = GetParam();
  Timetable t{};
  for (int r : c.stations) {
    t[static_cast<size_t>(r)].position = 1000 * r;
    t[static_cast<size_t>(r)].type = 5;
    t[static_cast<size_t>(r)].text = "S";
  }
  if (c.lowest_sign_text > 0)
    for (int r = c.lowest_sign_text; r <= kFirstSignRow; ++r) t[static_cast<size_t>(r)].text = "SIGN";
  for (int r : c.bare_stations) t[static_cast<size_t>(r)].text = "ORIGINE";
  EXPECT_EQ(last_station_row(t, c.lowest_named), c.last_station) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, StationRows,
    ::testing::Values(
        StationRowsCase{"empty table", {}, 0, {}, std::nullopt, 0},
        StationRowsCase{"empty table, no sign cell", {}, 0, {}, kNoSignRow, 0},
        StationRowsCase{"three stations and two signs", {1, 2, 3}, 79, {}, 79, 3},
        StationRowsCase{"a gap ends the stations", {1, 2, 4}, 0, {}, std::nullopt, 2},
        // Eighty signs and no station: every row 1 to 80 is text alone.
        StationRowsCase{"signs down to row 1, from the cells", {}, 1, {}, 1, 0},
        StationRowsCase{"signs down to row 1, from the fields", {}, 1, {}, std::nullopt, 0},
        // A station at 0 m of kind 0 sets only its name: the cells tell it
        // from a sign, the fields alone cannot.
        StationRowsCase{"a bare station, sign rows known", {2}, 80, {1}, 80, 2},
        StationRowsCase{"a bare station, sign rows unknown", {2}, 80, {1}, std::nullopt, 0},
        StationRowsCase{"stations stop below the lowest sign", {1, 2}, 3, {}, 3, 2},
        // The station the compiler refused at the lowest sign's row was
        // written there first; nothing after it was.
        StationRowsCase{"a station over the lowest sign's row", {1, 2, 3, 4}, 0, {}, 3, 3}));

TEST(StationRows, NeverReachRowEighty) {
  Timetable t{};
  for (int r = 1; r <= kFirstSignRow; ++r) t[static_cast<size_t>(r)].position = r;
  EXPECT_EQ(last_station_row(t, kNoSignRow), kFirstSignRow - 1);
  EXPECT_EQ(last_station_row(t), kFirstSignRow - 1);
}

TEST(RowsHeld, EveryRowByItsPlaceAndFields) {
  Timetable t{};
  t[1].position = 500;
  t[2].text = "ORIGINE";  // a bare station the cells name no sign for
  t[3].position = 900;
  t[80].text = "SIGN";
  t[70].position = 7;  // numbers past the stations: shown, not hidden
  const auto held = rows_held(t);
  EXPECT_EQ(held[0], RowHolds::kNothing);
  EXPECT_EQ(held[1], RowHolds::kStation);
  EXPECT_EQ(held[2], RowHolds::kSign);
  EXPECT_EQ(held[3], RowHolds::kStation);
  EXPECT_EQ(held[4], RowHolds::kNothing);
  EXPECT_EQ(held[70], RowHolds::kStation);
  EXPECT_EQ(held[80], RowHolds::kSign);
  EXPECT_EQ(held[81], RowHolds::kProgressive);
  EXPECT_EQ(held[84], RowHolds::kTrainData);
  EXPECT_EQ(held[85], RowHolds::kLine);
  EXPECT_EQ(held[86], RowHolds::kTrain);
  // With the lowest sign row known, row 2 is a station of the run.
  EXPECT_EQ(rows_held(t, 80)[2], RowHolds::kStation);
}

TEST(ClearedRow, AnyNumberOrTextKeepsItFromBeingCleared) {
  ScenarioRecord r;
  EXPECT_TRUE(is_cleared(r));
  EXPECT_FALSE(is_text_only(r));
  for_each_field(kScenarioRecordFields, [&](const auto& f) {
    ScenarioRecord one;
    if constexpr (std::decay_t<decltype(f)>::kIsText)
      f.of(one) = "x";
    else
      f.of(one) = 1;
    EXPECT_FALSE(is_cleared(one)) << f.name;
    EXPECT_EQ(is_text_only(one), std::decay_t<decltype(f)>::kIsText) << f.name;
  });
}

// The byte offsets of both records name their fields as the descriptions
// lay them out.
TEST(FieldAt, NamesTheFieldOfEveryByte) {
  struct Case {
    size_t at, text_bytes;
    std::string_view timetable;
  };
  for (const Case& c : std::initializer_list<Case>{{0, 0, "type"},
                                                   {1, 0, "start_pos"},
                                                   {4, 0, "start_pos"},
                                                   {5, 0, "stop_pos"},
                                                   {13, 0, "byte_a"},
                                                   {14, 3, "text length"},
                                                   {15, 3, "text length"},
                                                   {16, 3, "text"},
                                                   {18, 3, "text"},
                                                   {19, 3, "int_a"},
                                                   {16, 0, "int_a"},
                                                   {30, 0, "time_s"},
                                                   {33, 0, "time_s"},
                                                   {34, 0, ""},
                                                   {36, 3, "time_s"},
                                                   {37, 3, ""}})
    EXPECT_EQ(field_at(kScenarioRecordFields, c.at, c.text_bytes), c.timetable)
        << "byte " << c.at << " with a text of " << c.text_bytes;
}

}  // namespace
}  // namespace scenarioc
