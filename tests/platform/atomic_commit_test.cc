// A commit whose rename fails: the file it was to replace stays byte for
// byte, the error names that file, and no temporary file is left beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

// Bytes of every value, so that any change to the old file shows.
std::string old_bytes() {
  std::string b;
  for (int i = 0; i < 3 * 256; ++i) b += static_cast<char>(i % 256);
  return b;
}

// The temporary file the writer has opened beside the target.
fs::path temporary_in(const TempDir& dir) {
  for (const std::string& name : list_dir(dir.path()))
    if (name.find(".tmp-") != std::string::npos) return dir / name;
  return {};
}

struct RenameFailure {
  const char* name;
  // Run between the last write and the commit; makes the rename fail.
  std::function<void(const TempDir&)> get_in_the_way;
  const char* kept;  // the file whose bytes must stay: the target or a file inside it
  bool posix_only = false;
};

void PrintTo(const RenameFailure& c, std::ostream* os) { *os << c.name; }

class FailedRename : public ::testing::TestWithParam<RenameFailure> {};

TEST_P(FailedRename, KeepsTheOldFileAndLeavesNoTemporary) {
  const RenameFailure& c = GetParam();
#ifdef _WIN32
  if (c.posix_only) GTEST_SKIP() << "an open file cannot be removed on Windows";
#endif
  TempDir dir;
  spit(dir / "a.dat", old_bytes());
  AtomicFile f(dir / "a.dat");
  f.write(std::string(5000, 'n'));
  ASSERT_FALSE(temporary_in(dir).empty()) << "the new bytes go to a temporary file first";
  c.get_in_the_way(dir);
  const std::vector<std::string> before = list_dir(dir.path());
  try {
    f.commit();
    FAIL() << "the commit reported success";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir / "a.dat");
    EXPECT_FALSE(e.reason().empty());
  }
  EXPECT_EQ(slurp(dir / c.kept), old_bytes());
  EXPECT_TRUE(temporary_in(dir).empty()) << temporary_in(dir);
  std::vector<std::string> after = list_dir(dir.path());
  std::vector<std::string> want;
  for (const std::string& name : before)
    if (name.find(".tmp-") == std::string::npos) want.push_back(name);
  EXPECT_EQ(after, want);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, FailedRename,
    ::testing::Values(
        // A directory that is not empty has taken the target's name since the
        // writer started: no rename replaces it.
        RenameFailure{"TargetBecameADirectory",
                      [](const TempDir& dir) {
                        const std::string old = slurp(dir / "a.dat");
                        fs::remove(dir / "a.dat");
                        fs::create_directory(dir / "a.dat");
                        spit(dir / "a.dat" / "inside.dat", old);
                      },
                      "a.dat/inside.dat"},
        // The temporary file is gone (another program removed it): the old
        // file must not be removed in its place.
        RenameFailure{"TemporaryRemoved", [](const TempDir& dir) { fs::remove(temporary_in(dir)); },
                      "a.dat", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
