#include "platform/folder_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/file_io.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::TempDir;

TEST(FolderLock, ARunThatWillNotWaitIsToldTheFolderIsBusy) {
  TempDir dir;
  {
    FolderLock first(dir.path(), false);
    try {
      FolderLock second(dir.path(), false);
      ADD_FAILURE() << "two runs held one folder";
    } catch (const FolderBusy& e) {
      EXPECT_EQ(e.dir(), dir.path());
    }
  }
  FolderLock again(dir.path(), false);  // free once the first has ended
}

TEST(FolderLock, ARunThatWaitsSaysSoOnceAndGetsTheFolderWhenTheOtherEnds) {
  TempDir dir;
  std::atomic<bool> first_done{false};
  int waits = 0;
  {
    auto first = std::make_unique<FolderLock>(dir.path(), false);
    std::thread ender([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      first_done = true;
      first.reset();
    });
    FolderLock second(dir.path(), true, [&] { ++waits; });
    EXPECT_TRUE(first_done) << "the second run did not wait";
    ender.join();
  }
  EXPECT_EQ(waits, 1);
  // A folder that is free is taken without a word.
  FolderLock third(dir.path(), true, [&] { ++waits; });
  EXPECT_EQ(waits, 1);
}

// Readers share the folder with each other, never with a writer.
TEST(FolderLock, ReadersShareTheFolderAndAWriterHasItAlone) {
  using Access = FolderLock::Access;
  TempDir dir;
  {
    FolderLock reader(dir.path(), false, {}, Access::kRead);
    EXPECT_NO_THROW(FolderLock(dir.path(), false, {}, Access::kRead));
    EXPECT_THROW(FolderLock(dir.path(), false), FolderBusy);
  }
  {
    FolderLock writer(dir.path(), false);
    EXPECT_THROW(FolderLock(dir.path(), false, {}, Access::kRead), FolderBusy);
  }
  FolderLock reader(dir.path(), false, {}, Access::kRead);
}

TEST(FolderLock, TwoFoldersAreIndependent) {
  TempDir a, b;
  FolderLock in_a(a.path(), false);
  EXPECT_NO_THROW(FolderLock(b.path(), false));
}

TEST(FolderLock, AMissingFolderIsAFileErrorNamingIt) {
  TempDir dir;
  try {
    FolderLock lock(dir / "none", true);
    ADD_FAILURE() << "locked a folder that is not there";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir / "none");
  }
}

}  // namespace
}  // namespace scenarioc
