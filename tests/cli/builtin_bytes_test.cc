// The built-in scenario pinned byte for byte: every file the built-in run and
// `emit` write must keep its SHA-256 sum. The simulator reads the compiled
// files as they are, so a size that still agrees is not enough.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sha256.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::list_dir;
using testing::run_scenarioc;
using testing::sha256_hex;
using testing::slurp;
using testing::TempDir;

struct PinnedFile {
  const char* name;
  const char* sha256;
};

// Checks that `dir` holds exactly the pinned files, each with its sum.
void expect_pinned(const TempDir& dir, const std::vector<PinnedFile>& files) {
  std::vector<std::string> names;
  for (const PinnedFile& f : files) names.push_back(f.name);
  ASSERT_EQ(list_dir(dir.path()), names);
  for (const PinnedFile& f : files) EXPECT_EQ(sha256_hex(slurp(dir / f.name)), f.sha256) << f.name;
}

TEST(BuiltInBytes, TheBuiltInRunWritesTheseFilesExactly) {
  TempDir dir;
  const auto r = run_scenarioc({"--console", "--dir", dir.path().string()}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  expect_pinned(
      dir,
      {
          // The compiled scenario: route, timetable, line plan.
          {"Valdena_704.dat", "039d5b9d95f535ff87e092570d57ddb55c4bebbe255536a311e0fb34509fe63b"},
          {"Valdena_704.sim", "9c73dd2658083814b1e1fec5fcb8190eb2df5c2f6dfec4f8cf2dbbe0a24742dc"},
          // The printed forms; the notes are an empty file.
          {"Valdena_704_note.txt",
           "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
          {"Valdena_704_rallentamenti.txt",
           "3309db203696c79ee4d65fae32d4eacb0481546556cde26e9ad1ff72f4a65cff"},
          {"Valdena_704_scheda_treno.txt",
           "4e64bf47e73b33ab773d6abade8a928f3c839b47619828d6819791b42c2470ec"},
          {"Valdena_linea.dat", "64ce34c227135ea5e85a97fab3b19fc674da7b7cb751b700254d4e7a0a143273"},
      });
}

TEST(BuiltInBytes, EmitWritesTheseSourcesAndFormsExactly) {
  TempDir dir;
  const auto r = run_scenarioc({"emit"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  expect_pinned(
      dir,
      {
          {"Valdena_704-.txt", "b9bc8b6f4e2b67145cf556de795d654cd2a9d0cb98dd9bae0dc657fb9090eff8"},
          {"Valdena_704_note.txt",
           "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
          {"Valdena_704_rallentamenti.txt",
           "3309db203696c79ee4d65fae32d4eacb0481546556cde26e9ad1ff72f4a65cff"},
          {"Valdena_704_scheda_treno.txt",
           "4e64bf47e73b33ab773d6abade8a928f3c839b47619828d6819791b42c2470ec"},
          {"Valdena_linea.txt", "6b9681c81fbc8d7823beb1994074fef5d0195d283a7c270b06317bb2e5bd1427"},
      });
}

}  // namespace
}  // namespace scenarioc
