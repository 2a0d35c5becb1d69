// The fills of gradients, speed limits and adhesion share one rule but for
// the route's end: rows that push the cursor past the last cell (each row
// writes at least one cell, so rows at one position push it on) fail with
// code 25 for gradients and adhesion, and stop silently for speeds.
#include <gtest/gtest.h>

#include <string>

#include "compile_fixture.h"

namespace scenarioc {
namespace {

using testing::compile_text;
using testing::line_file;
using testing::train_file;

// `n` rows of `key` at 50 m, each with the value `value`.
std::string rows_at_50(const std::string& key, int value, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += key + ",  50,  " + std::to_string(value) + "\r\n";
  return out;
}

struct PastTheEnd {
  const char* what;
  bool line_side;  // the rows stand in the line file
  const char* key;
  int32_t code;  // 0: no failure
};

TEST(CellFill, RowsPushingPastTheRouteFailExceptSpeeds) {
  constexpr int kLength = 1000;  // a route of 8000 m: 160 cells and a few
  constexpr int kRows = 200;
  for (const PastTheEnd& c : {
           PastTheEnd{"gradients", true, "pendenza", 25},
           PastTheEnd{"adhesion", false, "aderenza", 25},
           PastTheEnd{"speeds", false, "velocita", 0},
       }) {
    const std::string rows = rows_at_50(c.key, 10, kRows);
    const Scenario s = compile_text(line_file(c.line_side ? rows : "", kLength),
                                    train_file(c.line_side ? "" : rows));
    ASSERT_LT(s.cell_count, kRows) << c.what;
    if (c.code == 0) {
      EXPECT_TRUE(s.failures.empty()) << c.what << ": " << s.failures.front().message;
      // Every cell but the first holds the carried speed, the last included.
      EXPECT_EQ(s.route[1].speed_limit, 2) << c.what;
      EXPECT_EQ(s.route[static_cast<size_t>(s.cell_count)].speed_limit, 2) << c.what;
    } else {
      ASSERT_EQ(s.failures.size(), 1u) << c.what;
      EXPECT_EQ(s.failures.front().code, c.code) << c.what;
      EXPECT_NE(s.failures.front().message.find("outside the route"), std::string::npos)
          << c.what << ": " << s.failures.front().message;
    }
  }
}

}  // namespace
}  // namespace scenarioc
