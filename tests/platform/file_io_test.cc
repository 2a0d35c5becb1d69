#include "platform/file_io.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#ifndef _WIN32
#include <unistd.h>
#endif

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

TEST(AtomicFile, ReplacesALongerFileWhole) {
  TempDir dir;
  spit(dir / "a.dat", std::string(1000, 'x'));
  replace_file(dir / "a.dat", "new");
  EXPECT_EQ(slurp(dir / "a.dat"), "new");
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"a.dat"});
}

TEST(AtomicFile, WithoutCommitTheOldFileStaysAndNoTemporaryIsLeft) {
  TempDir dir;
  spit(dir / "a.dat", "old");
  {
    AtomicFile f(dir / "a.dat");
    f.write("half of the new");
  }
  EXPECT_EQ(slurp(dir / "a.dat"), "old");
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"a.dat"});
}

TEST(AtomicFile, ADirectoryInTheWayIsAFileErrorNamingThePath) {
  TempDir dir;
  std::filesystem::create_directory(dir / "a.dat");
  try {
    replace_file(dir / "a.dat", "x");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir / "a.dat");
    EXPECT_FALSE(e.reason().empty());
  }
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"a.dat"});
}

TEST(AtomicFile, AnUnwritableDirectoryIsAFileError) {
#ifdef _WIN32
  GTEST_SKIP() << "a read-only folder on Windows still takes new files";
#else
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_exec);
  EXPECT_THROW(replace_file(dir / "a.dat", "x"), FileError);
#endif
}

TEST(ReadFile, MissingFileAndDirectoryAreFileErrors) {
  TempDir dir;
  EXPECT_THROW(read_file(dir / "none.txt"), FileError);
  EXPECT_THROW(read_file(dir.path()), FileError);
  spit(dir / "a.txt", std::string("a\0b", 3));
  EXPECT_EQ(read_file(dir / "a.txt"), std::string("a\0b", 3));
}

#ifndef _WIN32
TEST(ReadFile, APipeIsRefusedInsteadOfWaitedOn) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "train.txt").string().c_str(), 0600), 0);
  EXPECT_THROW(read_file(dir / "train.txt"), FileError);
}
#endif

}  // namespace
}  // namespace scenarioc
