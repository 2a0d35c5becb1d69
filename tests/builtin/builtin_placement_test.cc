// The built-in scenario must compile without a recorded failure. These tests
// place its boards, station stops and signals on the route cells by hand, in
// the order the compiler meets them, so a bad row is caught in the data.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/rounding.h"
#include "builtin/builtin_sources.h"
#include "builtin/rows.h"

namespace scenarioc {
namespace {

using testing::fields_of;
using testing::lines_of;
using testing::number_in;

struct Row {
  size_t entry;
  std::vector<int64_t> numbers;  // the numeric fields after the keyword
};

// The rows whose keyword is `key`, with their first `count` numbers.
std::vector<Row> rows_of(std::span<const std::string_view> table, std::string_view key,
                         size_t count) {
  std::vector<Row> rows;
  const std::vector<std::string_view> lines = lines_of(table);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = fields_of(lines[i]);
    if (f[0] != key) continue;
    Row row{i, {}};
    for (size_t k = 1; k <= count; ++k) {
      bool ok = false;
      row.numbers.push_back(k < f.size() ? number_in(f[k], &ok) : 0);
      EXPECT_TRUE(ok) << key << " entry " << i << " field " << k;
    }
    rows.push_back(row);
  }
  return rows;
}

int32_t cell_count() {
  const std::vector<Row> length = rows_of(line_source_table(), "lunghezza percorso", 1);
  EXPECT_EQ(length.size(), 1u);
  return static_cast<int32_t>(round_half_even((length[0].numbers[0] + 7000) / 50.0));
}

struct Station {
  size_t entry;
  int64_t position, type, start_pos, stop_pos;
};

// The station area as the compiler works it out from position, kind, length
// and the extra 50 m flag (field 6).
std::vector<Station> stations() {
  std::vector<Station> out;
  for (const Row& r : rows_of(train_source_table(), "stazione", 16)) {
    const int64_t p = r.numbers[0], type = r.numbers[1], length = r.numbers[2];
    const bool longer = r.numbers[5] != 0;
    Station s{r.entry, p, type, 0, 0};
    if (type == 5 || type == 6) {
      s.start_pos = p - length;
      s.stop_pos = p + 150;
    } else if (type == 7 || type == 8) {
      s.start_pos = p - length;
      s.stop_pos = p + length;
    } else {
      s.start_pos = round_half_even(p - length / 2.0);
      s.stop_pos = round_half_even(p + length / 2.0 + (longer ? 50 : 0));
    }
    out.push_back(s);
  }
  return out;
}

TEST(BuiltinPlacement, EveryPositionPassesTheRangeTest) {
  const int32_t cells = cell_count();
  EXPECT_EQ(cells, 4540);
  const std::pair<std::string_view, size_t> line_keys[] = {
      {"pendenza", 1}, {"montagna", 1}, {"indicatori_vmax", 1}};
  for (const auto& [key, n] : line_keys) {
    for (const Row& r : rows_of(line_source_table(), key, n)) {
      EXPECT_TRUE(within_route(r.numbers[0], cells)) << key << " entry " << r.entry;
    }
  }
  for (const Row& r : rows_of(train_source_table(), "segnale", 1)) {
    EXPECT_TRUE(within_route(r.numbers[0], cells)) << "signal entry " << r.entry;
  }
  for (const Station& s : stations()) {
    EXPECT_TRUE(within_route(s.position, cells, 800)) << "station entry " << s.entry;
  }
}

TEST(BuiltinPlacement, StationsStopClearOfTheStartAndOfEachOther) {
  const std::vector<Station> all = stations();
  ASSERT_EQ(all.size(), 21u);
  for (size_t i = 0; i < all.size(); ++i) {
    const Station& s = all[i];
    EXPECT_EQ(s.position % 50, 0) << "entry " << s.entry;
    if (s.type < 25) {
      EXPECT_GT(s.stop_pos / 50.0 - 1, 1.0) << "entry " << s.entry;
    }
    if (i > 0) {
      EXPECT_GE(s.start_pos - 350, all[i - 1].stop_pos) << "entry " << s.entry;
    }
  }
  for (const Row& r : rows_of(train_source_table(), "stazione", 3)) {
    EXPECT_EQ(r.numbers[2] % 100, 0) << "length, entry " << r.entry;
  }
}

// Boards from the line file, then station stops, then signals: a signal needs
// a free cell, a stop takes its cell whatever lies there (and must not wipe a
// board), and cell 1 carries the route's marker constants.
TEST(BuiltinPlacement, BoardsStopsAndSignalsEachHaveACellOfTheirOwn) {
  std::map<int64_t, std::string> taken;
  auto owner = [&](int64_t cell) {
    auto it = taken.find(cell);
    return it == taken.end() ? std::string() : it->second;
  };

  for (const Row& r : rows_of(line_source_table(), "indicatori_vmax", 1)) {
    const int64_t cell = cell_of(r.numbers[0], 1);
    const std::string what = "board of entry " + std::to_string(r.entry);
    EXPECT_GT(cell, 1) << what;
    EXPECT_EQ(owner(cell), "") << what << " on cell " << cell;
    taken[cell] = what;
  }
  for (const Station& s : stations()) {
    if (s.type >= 25) continue;
    const int64_t cell = round_half_even(s.stop_pos / 50.0 - 1);
    const std::string what = "stop of station entry " + std::to_string(s.entry);
    EXPECT_EQ(owner(cell), "") << what << " on cell " << cell;
    taken[cell] = what;
  }
  const std::vector<Row> signals = rows_of(train_source_table(), "segnale", 1);
  ASSERT_EQ(signals.size(), 95u);
  for (const Row& r : signals) {
    const int64_t cell = cell_of(r.numbers[0], 1);
    const std::string what = "signal of entry " + std::to_string(r.entry);
    EXPECT_GT(cell, 1) << what;
    EXPECT_GE(cell - 8, 0) << what << ": its repeat cells fall before the route";
    EXPECT_EQ(owner(cell), "") << what << " on cell " << cell;
    taken[cell] = what;
  }
}

}  // namespace
}  // namespace scenarioc
