#include "format/route_file.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace scenarioc
