#include "format/route_file.h"

#include <gtest/gtest.h>

#include <string_view>

#include "format/format_error.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::le16;

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

// A route of `cells` empty cells, as bytes.
std::string route_of(size_t cells) { return std::string(cells * kRouteCellBytes, '\0'); }

TEST(RouteFile, ShortestAndLongestRoutesDecode) {
  for (const size_t cells : {kFewestRouteCells, kMostRouteCells}) {
    std::string b = route_of(cells);
    b[(cells - 1) * kRouteCellBytes] = static_cast<char>(kSign);
    const std::vector<RouteCell> decoded = decode_route(b);
    ASSERT_EQ(decoded.size(), cells);
    EXPECT_EQ(decoded.back().kind, kSign);
  }
}

struct DamagedRoute {
  const char* name;
  std::string bytes;
  uint64_t offset;
  const char* says;
  friend void PrintTo(const DamagedRoute& d, std::ostream* os) { *os << d.name; }
};

std::string with_byte(std::string b, size_t at, uint8_t v) {
  b[at] = static_cast<char>(v);
  return b;
}

class DamagedRouteFile : public ::testing::TestWithParam<DamagedRoute> {};

TEST_P(DamagedRouteFile, IsRefusedAtTheByteAtFault) {
  const DamagedRoute& d = GetParam();
  try {
    decode_route(d.bytes);
    FAIL() << "decoded";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.offset(), d.offset);
    EXPECT_NE(std::string(e.what()).find(d.says), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("at byte " + std::to_string(d.offset) + ": ", 0), 0u)
        << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedRouteFile,
    ::testing::Values(
        DamagedRoute{"Empty", "", 0, "the shortest route has 141 cells"},
        DamagedRoute{"ShorterThanAnyRoute", route_of(140), 2100, "the shortest route"},
        DamagedRoute{"CutInsideTheLastCell", route_of(4541).substr(0, 68114), 68100,
                     "ends inside cell 4540, 14 bytes into its 15"},
        DamagedRoute{"BytesAfterTheLastCell", route_of(4541) + "1234567", 68115,
                     "ends inside cell 4541"},
        DamagedRoute{"LongerThanAnyRoute", route_of(20142), 20141 * 15,
                     "the longest route has 20141"},
        DamagedRoute{"KindSeven", with_byte(route_of(200), 17 * 15, 7), 255,
                     "cell 17 holds kind 7, which no route holds"},
        DamagedRoute{"KindAboveTheLast", with_byte(route_of(200), 199 * 15, 15), 2985, "kind 15"},
        DamagedRoute{"KindByteFull", with_byte(route_of(200), 0, 255), 0, "kind 255"}),
    [](const auto& info) { return std::string(info.param.name); });


// Every byte of a cell names its field, as the cell's description lays
// them out.
TEST(RouteFile, EveryByteOfACellNamesItsField) {
  constexpr std::string_view kByByte[kRouteCellBytes] = {
      "kind",  "code1",       "code1",       "code2",    "code2",       "code3",    "code3",   "code4",
      "code4", "signal_time", "repeat_code", "mountain", "speed_limit", "gradient", "adhesion"};
  for (size_t at = 0; at < kRouteCellBytes; ++at)
    EXPECT_EQ(field_at(kRouteCellFields, at), kByByte[at]) << "byte " << at;
  EXPECT_EQ(field_at(kRouteCellFields, kRouteCellBytes), "");
}

}  // namespace
}  // namespace scenarioc
