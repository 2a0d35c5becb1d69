// Replays through the fuzz harness every input the fuzzers once failed on
// (tests/data/fuzz_regressions, named compile_*, item_reader_* or
// decoders_*) and the
// seed corpus, so that the suite, and its sanitizer build, keeps them fixed.
#include <gtest/gtest.h>

#include <filesystem>

#include "../../fuzz/fuzz_input.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

const fs::path kData = SCENARIOC_TEST_DATA;
const fs::path kSeeds = kData / ".." / ".." / "fuzz" / "corpus";

std::vector<fs::path> files_in(const fs::path& dir, const std::string& prefix = "") {
  std::vector<fs::path> found;
  if (!fs::is_directory(dir)) return found;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && name[0] != '.' && name.rfind(prefix, 0) == 0)
      found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(FuzzRegressions, SavedFindingsRunCleanly) {
  for (const fs::path& f : files_in(kData / "fuzz_regressions", "compile_")) {
    SCOPED_TRACE(f.filename().string());
    fuzz::compile_input(slurp(f));
  }
  for (const fs::path& f : files_in(kData / "fuzz_regressions", "item_reader_")) {
    SCOPED_TRACE(f.filename().string());
    fuzz::read_items(slurp(f));
  }
  for (const fs::path& f : files_in(kData / "fuzz_regressions", "decoders_")) {
    SCOPED_TRACE(f.filename().string());
    fuzz::decode_input(slurp(f));
  }
}

TEST(FuzzRegressions, SeedCorpusRunsCleanly) {
  const auto compile_seeds = files_in(kSeeds / "compile");
  const auto reader_seeds = files_in(kSeeds / "item_reader");
  const auto decoder_seeds = files_in(kSeeds / "decoders");
  ASSERT_FALSE(compile_seeds.empty()) << kSeeds;
  ASSERT_FALSE(reader_seeds.empty()) << kSeeds;
  ASSERT_FALSE(decoder_seeds.empty()) << kSeeds;
  for (const fs::path& f : compile_seeds) {
    SCOPED_TRACE(f.filename().string());
    fuzz::compile_input(slurp(f));
  }
  for (const fs::path& f : reader_seeds) {
    SCOPED_TRACE(f.filename().string());
    fuzz::read_items(slurp(f));
  }
  for (const fs::path& f : decoder_seeds) {
    SCOPED_TRACE(f.filename().string());
    fuzz::decode_input(slurp(f));
  }
}

// The split hands each half over unchanged; the built-in scenario as one
// input compiles whole, to files of more than 4 MB.
TEST(FuzzRegressions, TheSeparatorSplitsTheInputIntoLineAndTrainFiles) {
  const auto [line, train] = fuzz::split_input("L\r\n" + std::string(fuzz::kSeparator) + "T");
  EXPECT_EQ(line, "L\r\n");
  EXPECT_EQ(train, "T");
  const auto [only, none] = fuzz::split_input("no separator");
  EXPECT_EQ(only, "no separator");
  EXPECT_EQ(none, "");
  EXPECT_GT(fuzz::compile_input(slurp(kSeeds / "compile" / "builtin_valdena_704")), 4000000u);
}

}  // namespace
}  // namespace scenarioc
