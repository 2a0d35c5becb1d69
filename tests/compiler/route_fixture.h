// A route of 2001 empty cells for the cell-writer tests, and a way to look at
// all of it at once.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "format/route_file.h"
#include "model/scenario_tables.h"

namespace scenarioc {

class RouteTest : public ::testing::Test {
 protected:
  static constexpr int32_t kLastCell = 2000;

  RouteTest() {
    s.cell_count = kLastCell;
    s.create_route(kLastCell);
  }

  RouteCell& cell(int64_t c) { return s.route.at(static_cast<size_t>(c)); }

  // The bytes the route file would hold: equal images mean an untouched route.
  std::string image() const { return encode_route(s); }

  Scenario s;
};

}  // namespace scenarioc
