#include "builtin/text_file.h"
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::slurp;
using testing::spit;
using testing::TempDir;

TEST(TextFile, WritesEveryEntryWithCrLfAndStopsAtTheMarker) {
  constexpr std::string_view table[] = {"[generale]", "",         "sabbia,    300",
                                        "[fine]",     kEndMarker, "never written",
                                        kEndMarker};
  EXPECT_EQ(text_file_bytes(table), "[generale]\r\n\r\nsabbia,    300\r\n[fine]\r\n");
}

TEST(TextFile, MarkerInTheFirstEntryGivesAnEmptyFile) {
  constexpr std::string_view table[] = {kEndMarker, "[fine]"};
  EXPECT_EQ(text_file_bytes(table), "");
}

TEST(TextFile, OnlyAnEntryEqualToTheMarkerEndsTheFile) {
  // Each of these merely resembles the marker and is an ordinary line.
  constexpr std::string_view near_misses[] = {
      "riferimento fine del file ", " riferimento fine del file",
      "RIFERIMENTO FINE DEL FILE",  "riferimento fine del file, sezione due",
      "riferimento fine",
  };
  for (std::string_view entry : near_misses) {
    const std::string_view table[] = {entry, "[fine]", kEndMarker};
    EXPECT_EQ(text_file_bytes(table), std::string(entry) + "\r\n[fine]\r\n")
        << "entry '" << entry << "'";
  }
}

TEST(TextFile, TableWithoutTheMarkerIsRefused) {
  constexpr std::string_view table[] = {"[generale]", "[fine]"};
  EXPECT_THROW(text_file_bytes(table), std::logic_error);
}

TEST(TextFile, CreatesAMissingFileAndReplacesAnExistingOneWhole) {
  TempDir dir;
  constexpr std::string_view table[] = {"[generale]", "[fine]", kEndMarker};
  const std::string expected = "[generale]\r\n[fine]\r\n";

  replace_file(dir / "new.txt", text_file_bytes(table));
  EXPECT_EQ(slurp(dir / "new.txt"), expected);

  // A longer file edited by hand: nothing of its tail may survive.
  spit(dir / "old.txt", std::string(5000, 'x') + "\r\n[fine]\r\nextra\r\n");
  replace_file(dir / "old.txt", text_file_bytes(table));
  EXPECT_EQ(slurp(dir / "old.txt"), expected);
}

}  // namespace
}  // namespace scenarioc
