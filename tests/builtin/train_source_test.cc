#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "builtin/builtin_sources.h"
#include "cli/builtin_files.h"
#include "builtin/rows.h"
#include "builtin/text_file.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::crlf_lines;
using testing::fields_of;
using testing::number_in;
using testing::right_aligned;

std::vector<std::string> train_file_lines() {
  bool ok = false;
  std::vector<std::string> lines = crlf_lines(text_file_bytes(train_source_table()), &ok);
  EXPECT_TRUE(ok) << "every line must end in CR LF";
  return lines;
}

TEST(TrainSource, HasItsSectionsAtTheirLines) {
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  const std::map<size_t, std::string> headers = {
      {0, "[generale]"},  {5, "[aderenze]"},       {15, "[vel_limite]"},
      {29, "[stazioni]"}, {51, "[rallentamenti]"}, {52, "[segnali]"},
      {148, "[codici]"},  {149, "[fine]"},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    auto it = headers.find(i);
    if (it != headers.end()) {
      EXPECT_EQ(lines[i], it->second) << "entry " << i;
    } else {
      EXPECT_NE(lines[i].front(), '[') << "entry " << i << ": " << lines[i];
    }
  }
  for (size_t i = 30; i <= 50; ++i) EXPECT_EQ(lines[i].rfind("stazione,", 0), 0u) << i;
  for (size_t i = 53; i <= 147; ++i) EXPECT_EQ(lines[i].rfind("segnale,", 0), 0u) << i;
}

TEST(TrainSource, QuotedLinesAreWrittenByteForByte) {
  const std::map<size_t, std::string_view> quoted = {
      {1, "numero vetture,    12"},
      {2, "percentuale massa frenata,    130"},
      {3, "sabbia,    300"},
      {4, "orologio,    6               51            45 "},
      {6, "aderenza,       0,    65"},
      {7, "aderenza,     400,    80"},
      {8, "aderenza,     900,   100"},
      {9, "aderenza,  211000,    95"},
      {10, "aderenza,  211500,    90"},
      {11, "aderenza,  212000,    85"},
      {12, "aderenza,  212500,    80"},
      {13, "aderenza,  213000,    75"},
      {14, "aderenza,  213500,    70"},
      {16, "velocita,   0,    30"},
      {17, "velocita,    1100,   100"},
      {18, "velocita,    3850,   200"},
      {19, "velocita,   24200,   110"},
      {20, "velocita,   26000,   130"},
      {21, "velocita,   32200,   115"},
      {22, "velocita,   33200,   200"},
      {23, "velocita,   82100,   110"},
      {24, "velocita,   83750,   130"},
      {25, "velocita,   87000,   160"},
      {26, "velocita,   95000,   110"},
      {27, "velocita,   96400,   200"},
      {28, "velocita,  206400,   130"},
      {53, "segnale,    2200,   1, 4, 0,  0, 0,    0,  2,1,1, 0"},
      {54, "segnale,    6050,   1, 4, 0,  0, 0,    0,  2,1,1, 0"},
      {55, "segnale,    7400,   2, 4, 1,  0, 0,    2,  2,1,0, 0"},
      {56, "segnale,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0"},
      {57, "segnale,   11250,   2, 4, 0,  0, 0,    1,  1,0,0, 0"},
      {59, "segnale,   17000,   2, 4, 1,  0, 0,    1,  1,0,0, 0"},
      {63, "segnale,   26400,   1, 4, 0,  0, 0,    1,  2,0,0, 0"},
      {64, "segnale,   27750,   2, 3, 0,  0, 0,    1,  1,0,0, 0"},
      {87, "segnale,   86750,   1, 4, 0,  0, 0,    1,  2,0,0, 0"},
      {88, "segnale,   88100,   2, 4, 1,  0, 0,    1,  2,0,0, 0"},
      {89, "segnale,   89450,   1, 5, 6,  0, 0,    1,  1,0,0, 0"},
      {90, "segnale,   90750,   2, 2, 3,  0, 1,    1,  1,0,0, 0"},
      {91, "segnale,   94600,   1, 4, 1,  0, 0,    1,  1,0,0, 0"},
      {92, "segnale,   98450,   1, 4, 1,  0, 0,    1,  1,0,0, 0"},
      {143, "segnale,  199650,   2, 4, 1,  0, 0,    1,  2,0,0, 0"},
      {144, "segnale,  204600,   1, 3, 0,  0, 0,    1,  1,0,0, 0"},
      {146, "segnale,  211850,   1, 3, 4,  0, 0,    1,  1,0,0, 0"},
      {147, "segnale,  213200,   2, 2, 3,  0, 0,    0,  0,0,0, 0"},
  };
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  for (const auto& [entry, text] : quoted) {
    EXPECT_EQ(lines[entry], text) << "entry " << entry;
  }
}

// The sixteen numbers of each station row, and the widths they are padded to.
TEST(TrainSource, StationRowsCarryTheirNumbersInFixedColumns) {
  const std::map<size_t, std::array<int64_t, 16>> numbers = {
      {30, {0, 8, 500, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 6, 52, 0}},
      {31, {3400, 2, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}},
      {32, {16900, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {33, {24750, 11, 1000, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}},
      {34, {29000, 2, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 90, 7, 9, 0}},
      {35, {32600, 11, 1000, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}},
      {36, {38000, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {37, {64500, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {38, {82650, 11, 1000, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}},
      {39, {92000, 2, 400, 1, 0, 0, 4, 1, 1, 2, 1, 1, 90, 7, 35, 0}},
      {40, {95500, 11, 1000, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}},
      {41, {102000, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {42, {132950, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {43, {137100, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {44, {141000, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {45, {145000, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {46, {148500, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {47, {170350, 25, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
      {48, {205500, 11, 1000, 0, 0, 1, 1, 1, 0, 4, 1, 1, 245, 0, 0, 0}},
      {49, {208500, 12, 300, 0, 0, 0, 1, 1, 0, 4, 1, 1, 1, 0, 0, 0}},
      {50, {214500, 6, 500, 1, 0, 0, 1, 1, 0, 2, 1, 1, 0, 8, 25, 0}},
  };
  constexpr size_t kWidths[16] = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  EXPECT_EQ(lines[30].rfind("stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,"
                            "   6,52, 0, ",
                            0),
            0u);
  for (const auto& [entry, expected] : numbers) {
    const std::vector<std::string_view> f = fields_of(lines[entry]);
    ASSERT_EQ(f.size(), 18u) << "entry " << entry << ": " << lines[entry];
    EXPECT_EQ(f[0], "stazione");
    for (size_t k = 0; k < 16; ++k) {
      const std::string_view field = f[k + 1];
      bool ok = false;
      EXPECT_EQ(number_in(field, &ok), expected[k])
          << "entry " << entry << " field " << k + 1;
      EXPECT_TRUE(right_aligned(field, kWidths[k]))
          << "entry " << entry << " field " << k + 1 << " '" << field << "'";
    }
    // Minutes of the timetable: two digits, or " 0" when there are none.
    const int64_t m = expected[14];
    const std::string minutes = m == 0 ? " 0" : (m < 10 ? "0" : "") + std::to_string(m);
    EXPECT_EQ(f[15], minutes) << "entry " << entry;
  }
  EXPECT_EQ(fields_of(lines[34])[15], "09");
}

TEST(TrainSource, StationNamesAreCapitalsOfSevenToTwentySixCharacters) {
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  std::set<std::string_view> seen;
  for (size_t i = 30; i <= 50; ++i) {
    const std::vector<std::string_view> f = fields_of(lines[i]);
    ASSERT_EQ(f.size(), 18u) << "entry " << i;
    ASSERT_EQ(f[17].substr(0, 1), " ") << "entry " << i;
    const std::string_view name = f[17].substr(1);
    EXPECT_GE(name.size(), 7u) << name;
    EXPECT_LE(name.size(), 26u) << name;
    EXPECT_NE(name.front(), ' ') << name;
    EXPECT_NE(name.back(), ' ') << name;
    EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ ."),
              std::string_view::npos)
        << name;
    EXPECT_TRUE(seen.insert(name).second) << "two stations named " << name;
  }
}

TEST(TrainSource, SignalRowsKeepTheirColumnsAndRiseOnFiftyMetreSteps) {
  constexpr size_t kWidths[11] = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2};
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  int64_t previous = 0;
  for (size_t i = 53; i <= 147; ++i) {
    const std::vector<std::string_view> f = fields_of(lines[i]);
    ASSERT_EQ(f.size(), 12u) << "entry " << i << ": " << lines[i];
    for (size_t k = 0; k < 11; ++k) {
      EXPECT_TRUE(right_aligned(f[k + 1], kWidths[k]))
          << "entry " << i << " field " << k + 1 << " '" << f[k + 1] << "'";
    }
    bool ok = false;
    const int64_t position = number_in(f[1], &ok);
    EXPECT_EQ(position % 50, 0) << "entry " << i;
    EXPECT_GT(position, previous) << "entry " << i;
    previous = position;
  }
  EXPECT_EQ(previous, 213200);
}

// The two common signal forms take turns on the named entries; no other
// entry carries either form.
TEST(TrainSource, SignalFormsAlternateOnTheirEntries) {
  constexpr std::string_view kFirst = ",   1, 4, 0,  0, 0,    1,  1,0,0, 0";
  constexpr std::string_view kSecond = ",   2, 4, 1,  0, 0,    1,  1,0,0, 0";
  std::set<size_t> first = {56, 145};
  std::set<size_t> second;
  auto alternate = [&](size_t from, size_t to, bool first_on_even) {
    for (size_t i = from; i <= to; ++i)
      ((i % 2 == 0) == first_on_even ? first : second).insert(i);
  };
  alternate(58, 62, true);
  alternate(65, 86, false);
  alternate(93, 142, true);
  ASSERT_EQ(first.size(), 41u);
  ASSERT_EQ(second.size(), 38u);

  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  for (size_t i = 53; i <= 147; ++i) {
    const std::string_view tail = std::string_view(lines[i]).substr(16);
    const std::string_view expected = first.count(i)    ? kFirst
                                      : second.count(i) ? kSecond
                                                        : "";
    if (expected.empty()) {
      EXPECT_NE(tail, kFirst) << "entry " << i;
      EXPECT_NE(tail, kSecond) << "entry " << i;
    } else {
      EXPECT_EQ(tail, expected) << "entry " << i;
    }
  }
}

TEST(TrainSource, AdhesionAndSpeedRowsRiseFromZero) {
  struct Section {
    size_t first, last;
    std::string_view key;
  };
  const std::vector<std::string> lines = train_file_lines();
  ASSERT_EQ(lines.size(), 150u);
  for (const Section& s : {Section{6, 14, "aderenza"}, Section{16, 28, "velocita"}}) {
    int64_t previous = -1;
    for (size_t i = s.first; i <= s.last; ++i) {
      const std::vector<std::string_view> f = fields_of(lines[i]);
      ASSERT_EQ(f.size(), 3u) << "entry " << i;
      EXPECT_EQ(f[0], s.key);
      bool ok = false;
      const int64_t position = number_in(f[1], &ok);
      EXPECT_TRUE(ok) << "entry " << i;
      EXPECT_EQ(position % 50, 0) << "entry " << i;
      EXPECT_GT(position, previous) << "entry " << i;
      EXPECT_EQ(f[2].size(), 6u) << "entry " << i;
      previous = position;
    }
    bool ok = false;
    EXPECT_EQ(number_in(fields_of(lines[s.first])[1], &ok), 0);
  }
}

TEST(TrainSource, DatiTrenoReplacesValdena704) {
  testing::TempDir dir;
  testing::spit(dir / "Valdena_704-.txt", "[generale]\r\nsabbia,    1\r\n");
  dati_treno("Valdena", "704", dir.path());
  EXPECT_EQ(testing::list_dir(dir.path()), std::vector<std::string>{"Valdena_704-.txt"});
  const std::string bytes = testing::slurp(dir / "Valdena_704-.txt");
  EXPECT_EQ(bytes, text_file_bytes(train_source_table()));
  EXPECT_EQ(bytes.substr(bytes.size() - 18), "[codici]\r\n[fine]\r\n");
  EXPECT_EQ(bytes.find("riferimento"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
