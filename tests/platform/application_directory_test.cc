#include "platform/application_directory.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::spit;
using testing::TempDir;

const fs::path kMarker = "../share/scenarioc/installed-program";

// A prefix laid out as the package lays it out: prefix/bin/scenarioc and the
// marker in prefix/share/scenarioc, holding `marker_text` (none when null).
struct Case {
  const char* what;
  bool has_marker;
  std::string marker_text;
  bool installed;
};

class InstalledOnSystem : public ::testing::TestWithParam<Case> {};

TEST_P(InstalledOnSystem, OnlyAMarkerThatNamesThisProgramCounts) {
  const Case& c = GetParam();
  TempDir prefix;
  fs::create_directories(prefix / "bin");
  spit(prefix / "bin" / "scenarioc", "program");
  spit(prefix / "bin" / "other", "another program");
  if (c.has_marker) {
    fs::create_directories(prefix / "share" / "scenarioc");
    spit(prefix / "share" / "scenarioc" / "installed-program", c.marker_text);
  }
  EXPECT_EQ(installed_on_system(prefix / "bin" / "scenarioc", kMarker), c.installed) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Markers, InstalledOnSystem,
    ::testing::Values(
        Case{"the install's marker", true, "../../bin/scenarioc\n", true},
        Case{"without a final newline", true, "../../bin/scenarioc", true},
        Case{"with a CRLF ending", true, "../../bin/scenarioc\r\n", true},
        Case{"no marker: a build folder or the Windows zip", false, "", false},
        Case{"an empty marker", true, "", false},
        Case{"a marker that names another program", true, "../../bin/other\n", false},
        Case{"a marker that names a missing file", true, "../../bin/gone\n", false},
        Case{"a second line", true, "../../bin/scenarioc\nmore\n", false},
        Case{"a NUL inside", true, std::string("../../bin/scenarioc\0x", 21), false},
        Case{"the marker's own folder", true, ".\n", false},
        Case{"bytes of no name", true, std::string(5000, '\xff'), false}));

TEST(InstalledOnSystem, ACopyTakenOutOfThePrefixIsNotInstalled) {
  TempDir prefix;
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "scenarioc");
  spit(prefix / "bin" / "scenarioc", "program");
  spit(prefix / "share" / "scenarioc" / "installed-program", "../../bin/scenarioc\n");
  fs::create_directories(prefix / "mine");
  fs::copy_file(prefix / "bin" / "scenarioc", prefix / "mine" / "scenarioc");
  EXPECT_TRUE(installed_on_system(prefix / "bin" / "scenarioc", kMarker));
  EXPECT_FALSE(installed_on_system(prefix / "mine" / "scenarioc", kMarker));
}

TEST(InstalledOnSystem, TheBuiltProgramWritesNextToItself) {
  // The test program stands in for a copy in a build folder: no marker.
  EXPECT_EQ(builtin_run_directory(), application_directory());
  EXPECT_FALSE(installed_on_system(fs::path(SCENARIOC_EXE), kMarker));
}

}  // namespace
}  // namespace scenarioc
