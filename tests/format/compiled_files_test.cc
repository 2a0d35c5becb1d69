#include "format/compiled_files.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::le16;
using testing::le32;
using testing::le_double;

std::string plan_bytes(const TrackPlan& plan, size_t chunk = 1 << 20) {
  std::string out;
  encode_line_plan(plan, [&out](std::string_view p) { out.append(p); }, chunk);
  return out;
}

TEST(RouteFile, CellsArePackedFifteenBytesLittleEndian) {
  Scenario s;
  s.cell_count = 4;
  s.create_route(4);
  RouteCell& c = s.route[3];
  c = RouteCell{0xAB, 0x0102, -2, 0x7fff, -32768, 1, 2, 3, 4, 5, 6};
  const std::string b = encode_route(s);
  ASSERT_EQ(b.size(), 5 * kRouteCellBytes);
  const size_t at = 3 * kRouteCellBytes;
  EXPECT_EQ(static_cast<uint8_t>(b[at]), 0xAB);
  EXPECT_EQ(le16(b, at + 1), 0x0102);
  EXPECT_EQ(static_cast<uint8_t>(b[at + 1]), 0x02);  // low byte first
  EXPECT_EQ(le16(b, at + 3), -2);
  EXPECT_EQ(le16(b, at + 5), 0x7fff);
  EXPECT_EQ(le16(b, at + 7), -32768);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(static_cast<uint8_t>(b[at + 9 + i]), i + 1) << "byte field " << i;
  // Every other cell is all zeros.
  EXPECT_EQ(b.substr(0, at), std::string(at, '\0'));
  EXPECT_EQ(b.substr(at + 15), std::string(15, '\0'));
}

TEST(RouteFile, BuiltInLengthGivesSixtyEightThousandBytes) {
  Scenario s;
  s.cell_count = 4540;
  s.create_route(4540);
  EXPECT_EQ(encode_route(s).size(), 68115u);
}

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

// A plan of metres 0 to 9 whose computation reached `cursor`.
TrackPlan small_plan(int32_t cursor, bool seeded = true) {
  TrackPlan p;
  p.create(9);
  if (seeded) p.seed();
  while (p.cursor() < cursor) p.append(p.cursor() * 0.5, p.cursor() * -1.25);
  return p;
}

TEST(LinePlanFile, SeedsAreIntegersComputedPointsDoublesTheRestEmpty) {
  const std::string b = plan_bytes(small_plan(8));
  // X block: 2 seeds, metres 2..7 doubles, 8 and 9 empty.
  const size_t block = 4 + 4 + 6 * 10 + 2 + 2;
  ASSERT_EQ(b.size(), 2 * block);
  EXPECT_EQ(b.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(b.substr(4, 4), std::string("\x02\x00\x00\x00", 4));  // X of metre 1
  EXPECT_EQ(le16(b, 8), 5);
  EXPECT_EQ(le_double(b, 10), 1.0);  // X of metre 2
  EXPECT_EQ(b.substr(block - 4, 4), std::string(4, '\0'));
  // Y block: metre 1 is 1, metre 3 is -3.75.
  EXPECT_EQ(b.substr(block, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(b.substr(block + 4, 4), std::string("\x02\x00\x01\x00", 4));
  EXPECT_EQ(le_double(b, block + 8 + 10 + 2), -3.75);
  EXPECT_EQ(line_plan_bytes(small_plan(8)), b.size());
}

TEST(LinePlanFile, UnseededPlanIsAllEmpty) {
  const std::string b = plan_bytes(small_plan(2, false));
  EXPECT_EQ(b, std::string(2 * 10 * 2, '\0'));
}

TEST(LinePlanFile, ChunkingDoesNotChangeTheBytes) {
  const TrackPlan p = small_plan(10);
  EXPECT_EQ(plan_bytes(p, 1), plan_bytes(p));
  EXPECT_EQ(plan_bytes(p, 7), plan_bytes(p));
}

TEST(LinePlanFile, NoPlanNoBytes) {
  TrackPlan p;
  EXPECT_EQ(plan_bytes(p), "");
}

}  // namespace
}  // namespace scenarioc
