// The watch of the sources sees every way an editor saves a file, and no
// other file of the folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/source_watch.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::spit;
using testing::TempDir;

// Long enough for any machine: the wait ends as soon as the change is seen.
constexpr auto kDeadline = 10s;

struct Save {
  const char* name;
  std::function<void(const fs::path& file)> save;
};

TEST(SourceWatch, SeesEachWayAnEditorSaves) {
  const Save saves[] = {
      {"written in place", [](const fs::path& f) { spit(f, "stazione, 0\n"); }},
      {"a temporary renamed over it",
       [](const fs::path& f) {
         spit(fs::path(f) += ".tmp", "stazione, 1\n");
         fs::rename(fs::path(f) += ".tmp", f);
       }},
      {"removed", [](const fs::path& f) { fs::remove(f); }},
      {"created again", [](const fs::path& f) { spit(f, "stazione, 2\n"); }},
  };
  TempDir dir;
  const fs::path line = dir / "A_linea.txt", train = dir / "A_1-.txt";
  spit(line, "");
  spit(train, "");
  SourceWatch watch({line, train});
  for (const Save& s : saves) {
    s.save(train);
    EXPECT_TRUE(watch.wait_for_change(kDeadline)) << s.name;
    // What the save still has to tell is taken now, before the next one.
    while (watch.wait_for_change(50ms)) {
    }
  }
}

TEST(SourceWatch, OtherFilesOfTheFolderAreNoChange) {
  TempDir dir;
  const fs::path line = dir / "A_linea.txt", train = dir / "A_1-.txt";
  spit(line, "");
  spit(train, "");
  SourceWatch watch({line, train});
  spit(dir / "A_1_note.txt", "a note\n");
  spit(dir / "A_linea.dat", "compiled");
  EXPECT_FALSE(watch.wait_for_change(300ms));
  spit(line, "curva, 0\n");
  EXPECT_TRUE(watch.wait_for_change(kDeadline));
}

// An author who keeps the sources elsewhere and links them into the
// scenario's folder edits the target.
TEST(SourceWatch, SeesTheTargetOfALinkedSourceChange) {
  TempDir dir, elsewhere;
  const fs::path line = dir / "A_linea.txt", train = dir / "A_1-.txt";
  spit(line, "");
  spit(elsewhere / "train.txt", "");
  std::error_code ec;
  fs::create_symlink(elsewhere / "train.txt", train, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  SourceWatch watch({line, train});
  spit(elsewhere / "train.txt", "stazione, 0\n");
  EXPECT_TRUE(watch.wait_for_change(kDeadline));
}

TEST(SourceWatch, AFolderThatIsNotThereIsAFileError) {
  TempDir dir;
  EXPECT_ANY_THROW(SourceWatch({dir / "no such folder" / "A_linea.txt", dir / "A_1-.txt"}));
}

}  // namespace
}  // namespace scenarioc
