#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "builtin/builtin_sources.h"
#include "builtin/rows.h"
#include "builtin/text_file.h"
#include "cli/builtin_files.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::crlf_lines;
using testing::fields_of;
using testing::number_in;

std::vector<std::string> line_file_lines() {
  bool ok = false;
  std::vector<std::string> lines = crlf_lines(text_file_bytes(line_source_table()), &ok);
  EXPECT_TRUE(ok) << "every line must end in CR LF";
  return lines;
}

TEST(LineSource, HasItsSectionsAtTheirLines) {
  const std::vector<std::string> lines = line_file_lines();
  ASSERT_EQ(lines.size(), 142u);
  const std::map<size_t, std::string> headers = {
      {0, "[generale]"},   {9, "[curve]"},      {39, "[pendenze]"},
      {111, "[montagne]"}, {117, "[cartelli]"}, {140, "[indicazioni]"},
      {141, "[fine]"},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    auto it = headers.find(i);
    if (it != headers.end()) {
      EXPECT_EQ(lines[i], it->second) << "entry " << i;
    } else {
      EXPECT_NE(lines[i].front(), '[') << "entry " << i << ": " << lines[i];
    }
  }
}

TEST(LineSource, QuotedLinesAreWrittenByteForByte) {
  const std::map<size_t, std::string_view> quoted = {
      {1, "lunghezza percorso,    220000"},
      {2, "progressiva chilometrica uno,    0,    214000,    1"},
      {3, "progressiva chilometrica due,    84000,    230000,    1"},
      {4, "progressiva chilometrica tre,    96000,    214000,    1"},
      {5, "sfondo uno,    200000"},
      {6, "sfondo due,    1"},
      {7, "sfondo tre,    0"},
      {8, "ripetizione segnali 9 codici,    0,    220000"},
      {10, "curvad1,  8500,  7300"},
      {11, "curvas3,  17800,  3500"},
      {12, "curvad5,  24300,  450"},
      {13, "curvas5,  24750,  500"},
      {14, "curvas5,  27750,  350"},
      {15, "curvad5,  32150,  450"},
      {16, "curvas5,  32600,  450"},
      {17, "curvad2,  38050,  3900"},
      {18, "curvas2,  45000,  4200"},
      {19, "curvad1,  54200,  7000"},
      {20, "curvas2,  61200,  3500"},
      {21, "curvad1,  70700,  8700"},
      {22, "curvas1,  79400,  2950"},
      {23, "curvad5,  82350,  500"},
      {24, "curvas5,  82850,  450"},
      {25, "curvad3,  83300,  1850"},
      {26, "curvas4,  85150,  1400"},
      {27, "curvad3,  86550,  1650"},
      {28, "curvad3,  88250,  2000"},
      {29, "curvas5,  95050,  500"},
      {30, "curvad5,  95550,  450"},
      {31, "curvas1,  102500,  1500"},
      {32, "curvas1,  104000,  4700"},
      {33, "curvad2,  108700,  4000"},
      {34, "curvad1,  129700,  4900"},
      {35, "curvas1,  141600,  2500"},
      {36, "curvad2,  153350,  3300"},
      {37, "curvas1,  165150,  3850"},
      {38, "curvad3,  204000,  2400"},
      {40, "pendenza,   0,    0"},
      {41, "pendenza,  500,   -3"},
      {42, "pendenza,  3250,   0"},
      {49, "pendenza,  24200,   -12"},
      {56, "pendenza,  32150,   12"},
      {83, "pendenza,  100750,   2"},
      {110, "pendenza,  214100,   0"},
      {112, "montagna,   55500,  55750,  2"},
      {113, "montagna,   63500,  76000,  11"},
      {114, "montagna,   84850,  85850,  2"},
      {115, "montagna,   110350,  111350,  12"},
      {116, "montagna,   188600,  201100,  11"},
      {118, "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0"},
      {119, "indicatori_vmax,  3850,  180,  200,  250,  0,  ,  ,  ,  0"},
      {120, "indicatori_vmax,  21000,  90,  100,  110,  2,  ,  ,  ,  0"},
      {121, "indicatori_vmax,  22000,  90,  100,  110,  1,  ,  ,  ,  0"},
      {122, "indicatori_vmax,  23000,  90,  100,  110,  0,  ,  ,  ,  0"},
      {123, "indicatori_vmax,  26000,  100,  115,  130,  0,  ,  ,  ,  0"},
      {124, "indicatori_vmax,  28100,  130,  145,  160,  0,  ,  ,  ,  0"},
      {125, "indicatori_vmax,  31000,  85,  100,  115,  0,  ,  ,  ,  0"},
      {126, "indicatori_vmax,  33200,  180,  200,  250,  0,  ,  ,  ,  0"},
      {127, "indicatori_vmax,  78900,  90,  100,  110,  2,  ,  ,  ,  0"},
      {128, "indicatori_vmax,  79900,  90,  100,  110,  1,  ,  ,  ,  0"},
      {129, "indicatori_vmax,  80900,  90,  100,  110,  0,  ,  ,  ,  0"},
      {130, "indicatori_vmax,  83750,  100,  115,  130,  0,  ,  ,  ,  0"},
      {131, "indicatori_vmax,  87000,  130,  145,  160,  0,  ,  ,  ,  0"},
      {132, "indicatori_vmax,  92800,  90,  100,  110,  1,  ,  ,  ,  0"},
      {133, "indicatori_vmax,  93800,  90,  100,  110,  0,  ,  ,  ,  0"},
      {134, "indicatori_vmax,  96400,  180,  200,  250,  0,  ,  ,  ,  0"},
      {135, "indicatori_vmax,  145400,  180,  200,  250,  0,  ,  ,  ,  0"},
      {136, "indicatori_vmax,  203200,  100,  115,  130,  2,  ,  ,  ,  0"},
      {137, "indicatori_vmax,  204200,  100,  115,  130,  1,  ,  ,  ,  0"},
      {138, "indicatori_vmax,  204950,  100,  115,  130,  0,  ,  ,  ,  0"},
      {139, "indicatori_vmax,  210700,  85,  100,  115,  0,  ,  ,  ,  0"},
  };
  const std::vector<std::string> lines = line_file_lines();
  ASSERT_EQ(lines.size(), 142u);
  for (const auto& [entry, text] : quoted) {
    EXPECT_EQ(lines[entry], text) << "entry " << entry;
  }
}

TEST(LineSource, GradientProfileKeepsItsLayoutAndRange) {
  const std::vector<std::string> lines = line_file_lines();
  ASSERT_EQ(lines.size(), 142u);
  EXPECT_EQ(lines[40], "pendenza,   0,    0");
  // Position and gradient, no "+", no "-0", no leading zeros.
  const std::regex row("pendenza,  (0|[1-9][0-9]*),   (0|-?[1-9][0-9]*)");
  int64_t previous = 0;
  for (size_t i = 41; i <= 110; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, row)) << "entry " << i << ": " << lines[i];
    const int64_t position = std::stoll(m[1]);
    const int64_t gradient = std::stoll(m[2]);
    EXPECT_EQ(position % 50, 0) << "entry " << i;
    EXPECT_GT(position, previous) << "entry " << i;
    EXPECT_GE(gradient, -12) << "entry " << i;
    EXPECT_LE(gradient, 12) << "entry " << i;
    EXPECT_EQ(m[1].length() >= 6, i >= 83) << "entry " << i << ": " << lines[i];
    previous = position;
  }
  EXPECT_EQ(previous, 214100);
}

// The rows of curves, mountains and boards: every number a multiple of 50
// except the class-like last fields, first numbers strictly rising.
TEST(LineSource, DataRowsRiseOnFiftyMetreSteps) {
  struct Section {
    size_t first, last;
    std::string_view key;
    size_t metre_fields;  // leading numeric fields that are metres
  };
  const Section sections[] = {
      {10, 38, "curva", 2},
      {112, 116, "montagna", 2},
      {118, 139, "indicatori_vmax", 1},
  };
  const std::vector<std::string> lines = line_file_lines();
  ASSERT_EQ(lines.size(), 142u);
  for (const Section& s : sections) {
    int64_t previous = -1;
    int64_t previous_end = -1;
    for (size_t i = s.first; i <= s.last; ++i) {
      const std::vector<std::string_view> f = fields_of(lines[i]);
      ASSERT_EQ(f[0].substr(0, s.key.size()), s.key) << "entry " << i;
      std::vector<int64_t> metres;
      for (size_t k = 1; k <= s.metre_fields; ++k) {
        bool ok = false;
        metres.push_back(number_in(f[k], &ok));
        ASSERT_TRUE(ok) << "entry " << i << " field " << k;
        EXPECT_EQ(metres.back() % 50, 0) << "entry " << i << " field " << k;
      }
      EXPECT_GT(metres[0], previous) << "entry " << i;
      if (s.key == "curva") {
        // Curves lie end to start, never over each other.
        EXPECT_GE(metres[0], previous_end) << "entry " << i;
        previous_end = metres[0] + metres[1];
      }
      previous = metres[0];
    }
  }
}

TEST(LineSource, DatiLineaWritesValdenaLineaAndNothingElse) {
  testing::TempDir dir;
  testing::spit(dir / "Valdena_linea.txt", "[generale]\r\nlunghezza percorso,    5\r\n");
  dati_linea("Valdena", dir.path());
  EXPECT_EQ(testing::list_dir(dir.path()), std::vector<std::string>{"Valdena_linea.txt"});
  const std::string bytes = testing::slurp(dir / "Valdena_linea.txt");
  EXPECT_EQ(bytes, text_file_bytes(line_source_table()));
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
  EXPECT_EQ(bytes.find("riferimento"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
