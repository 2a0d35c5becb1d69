// Faults around the compiler's files: an output directory that cannot take
// files, an output name taken by a directory, a disk that fills during a
// write, the process killed while it writes, and sources that are missing,
// directories or unreadable. Whatever happens, a compiled file that stood
// before is either left byte for byte as it was or replaced whole.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "cli/file_sources.h"
#include "compiler/parse_sources.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

const char* const kCompiled[] = {"Valdena_linea.dat", "Valdena_704.sim", "Valdena_704.dat"};

// Earlier compiled files of other content and other sizes than a new run gives.
std::map<std::string, std::string> plant_old_files(const fs::path& dir) {
  std::map<std::string, std::string> old;
  int n = 0;
  for (const char* name : kCompiled) {
    ++n;
    std::string bytes = "earlier " + std::string(name) + "\n";
    bytes += std::string(static_cast<size_t>(n) * 1237, static_cast<char>('a' + n));
    spit(dir / name, bytes);
    old[name] = bytes;
  }
  return old;
}

std::vector<std::string> temporaries(const fs::path& dir) {
  std::vector<std::string> found;
  for (const std::string& name : list_dir(dir))
    if (name.find(".tmp-") != std::string::npos) found.push_back(name);
  return found;
}

pid_t start(const std::vector<std::string>& args, const fs::path& cwd, const fs::path& out,
            const fs::path& err, rlim_t file_size_limit = 0) {
  return testing::start_scenarioc(args, cwd, out, err, file_size_limit);
}

int wait_for(pid_t pid) { return testing::wait_scenarioc(pid); }

struct Outcome {
  int status;
  std::string err;
};

Outcome builtin_run(const fs::path& dir, const fs::path& cwd, rlim_t file_size_limit = 0) {
  TempDir capture;
  const pid_t pid = start({"--dir", dir.string()}, cwd, capture / "out", capture / "err",
                          file_size_limit);
  const int status = wait_for(pid);
  return Outcome{status, slurp(capture / "err")};
}

// The files of a complete built-in run, to compare against.
const std::map<std::string, std::string>& new_files() {
  static const std::map<std::string, std::string> files = [] {
    TempDir dir;
    const Outcome r = builtin_run(dir.path(), dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> m;
    for (const char* name : kCompiled) m[name] = slurp(dir / name);
    return m;
  }();
  return files;
}

void expect_untouched(const fs::path& dir, const std::map<std::string, std::string>& old,
                      const std::string& except = "") {
  for (const auto& [name, bytes] : old) {
    if (name == except) continue;
    ASSERT_TRUE(fs::is_regular_file(dir / name)) << name;
    EXPECT_TRUE(slurp(dir / name) == bytes) << name << " was changed";
  }
  EXPECT_EQ(temporaries(dir), std::vector<std::string>{});
}

// ---- the output directory cannot take the files

TEST(OutputFaults, ADirectoryWithoutWritePermissionEndsTheRunAndKeepsTheOldFiles) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into any directory; see the next test";
  TempDir dir;
  const auto old = plant_old_files(dir.path());
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const Outcome r = builtin_run(dir.path(), dir.path());
  fs::permissions(dir.path(), fs::perms::owner_all);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find(dir.path().string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
  expect_untouched(dir.path(), old);
}

// Works for root too: no directory can be made below a regular file.
TEST(OutputFaults, AnOutputDirectoryBelowAFileEndsTheRunNamingThePath) {
  TempDir dir;
  spit(dir / "plain", "a file, not a directory");
  const fs::path out = dir / "plain" / "out";
  const Outcome r = builtin_run(out, dir.path());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find(out.string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Not a directory"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(dir / "plain"), "a file, not a directory");
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"plain"});
}

class NameTakenByADirectory : public ::testing::TestWithParam<const char*> {};

TEST_P(NameTakenByADirectory, EndsTheRunAndKeepsEveryOtherOldFile) {
  const std::string taken = GetParam();
  TempDir dir;
  const auto old = plant_old_files(dir.path());
  fs::remove(dir / taken);
  fs::create_directory(dir / taken);
  spit(dir / taken / "inside", "kept");
  const Outcome r = builtin_run(dir.path(), dir.path());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find((dir / taken).string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("directory"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(dir / taken / "inside"), "kept");
  expect_untouched(dir.path(), old, taken);
}

INSTANTIATE_TEST_SUITE_P(EachCompiledFile, NameTakenByADirectory,
                         ::testing::ValuesIn(kCompiled),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (c == '.') c = '_';
                           return n;
                         });

// ---- the disk fills while a file is written

struct DiskFull {
  const char* name;
  rlim_t limit;         // bytes any one file may reach
  const char* fails_on;  // the file whose write fails
};

void PrintTo(const DiskFull& c, std::ostream* os) { *os << c.name; }

class DiskFills : public ::testing::TestWithParam<DiskFull> {};

TEST_P(DiskFills, EndsTheRunNamingTheFileAndKeepsTheOldFiles) {
  const DiskFull& c = GetParam();
  TempDir dir;
  const auto old = plant_old_files(dir.path());
  const Outcome r = builtin_run(dir.path(), dir.path(), c.limit);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find((dir / c.fails_on).string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  expect_untouched(dir.path(), old);
}

// The built-in sources are 4 KB and 8 KB, the route file 68 KB, the line
// plan file 4.5 MB; the timetable file is the smallest.
INSTANTIATE_TEST_SUITE_P(
    Limits, DiskFills,
    ::testing::Values(DiskFull{"InTheLineSource", 2048, "Valdena_linea.txt"},
                      DiskFull{"InTheTrainSource", 6000, "Valdena_704-.txt"},
                      DiskFull{"EarlyInTheLinePlan", 64 * 1024, "Valdena_linea.dat"},
                      DiskFull{"LateInTheLinePlan", 4 * 1024 * 1024, "Valdena_linea.dat"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the process killed while it writes

// SIGKILL at random moments of a run into a directory that holds a complete
// earlier output. Every compiled file is afterwards the old one or the new
// one, whole. A killed process cannot remove its temporary files: they may
// stay behind, but under their own names only.
TEST(Killed, EveryCompiledFileIsTheOldOneOrTheNewOneWhole) {
  const auto& fresh = new_files();
  TempDir dir;

  // How long a whole run takes here, the longest of three (a sanitizer
  // build is slower, and a busy machine too).
  using std::chrono::microseconds;
  int64_t whole_us = 0;
  for (int i = 0; i < 3; ++i) {
    plant_old_files(dir.path());
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(builtin_run(dir.path(), dir.path()).status, 0);
    const auto whole = std::chrono::steady_clock::now() - t0;
    whole_us = std::max<int64_t>(whole_us,
                                 std::chrono::duration_cast<microseconds>(whole).count());
  }

  std::mt19937 pick(20240704);
  std::map<std::string, int> seen;  // "old" / "new" per file, and leftovers
  int leftovers = 0;
  constexpr int kKills = testing::stress_rounds(50);
  for (int i = 0; i < kKills; ++i) {
    for (const std::string& t : temporaries(dir.path())) fs::remove(dir / t);
    const auto old = plant_old_files(dir.path());
    // Half of the kills anywhere in the run, half in its second half, where
    // the compiled files are written, or a little after it.
    const double from = i % 2 == 0 ? 0.0 : 0.5;
    std::uniform_real_distribution<double> when(from, 1.2);
    const microseconds delay(static_cast<int64_t>(when(pick) * static_cast<double>(whole_us)));
    const pid_t pid = start({"--dir", dir.path().string()}, dir.path(), "", "");
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    wait_for(pid);

    for (const char* name : kCompiled) {
      ASSERT_TRUE(fs::is_regular_file(dir / name)) << "kill " << i << ": " << name;
      const std::string now = slurp(dir / name);
      const bool is_old = now == old.at(name);
      const bool is_new = now == fresh.at(name);
      EXPECT_TRUE(is_old || is_new)
          << "kill " << i << " after " << delay.count() << " us: " << name << " is "
          << now.size() << " bytes, neither the old nor the new file";
      ++seen[std::string(name) + (is_old ? " old" : is_new ? " new" : " broken")];
    }
    leftovers += static_cast<int>(temporaries(dir.path()).size());
  }
  std::string summary;
  for (const auto& [what, count] : seen)
    summary += what + " " + std::to_string(count) + "; ";
  std::cout << "[ kills    ] " << kKills << " kills over a run of " << whole_us / 1000
            << " ms: " << summary << "temporaries left " << leftovers << "\n";
}

// ---- sources that are missing, directories or unreadable

struct SourceFault {
  const char* name;
  bool line_side;  // the fault is on the line file (else on the train file)
  const char* how;  // "missing", "directory", "dangling", "unreadable"
  int32_t code;
};

void PrintTo(const SourceFault& c, std::ostream* os) { *os << c.name; }

class SourceFaults : public ::testing::TestWithParam<SourceFault> {};

const std::string kLine =
    "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\n"
    "pendenza,  0,  3\r\n[fine]\r\n";
const std::string kTrain = "[generale]\r\nvelocita,  0,  100\r\n[fine]\r\n";

TEST_P(SourceFaults, GiveTheirCodeAndAMessageNamingTheFile) {
  const SourceFault& c = GetParam();
  if (std::string(c.how) == "unreadable" && geteuid() == 0)
    GTEST_SKIP() << "root reads files without read permission";
  TempDir dir;
  const fs::path line_path = dir / "Prova_linea.txt";
  const fs::path train_path = dir / "Prova_9-.txt";
  spit(line_path, kLine);
  spit(train_path, kTrain);
  const fs::path bad = c.line_side ? line_path : train_path;
  const std::string how = c.how;
  fs::remove(bad);
  if (how == "directory") fs::create_directory(bad);
  if (how == "dangling") fs::create_symlink(dir / "gone.txt", bad);
  if (how == "unreadable") {
    spit(bad, c.line_side ? kLine : kTrain);
    fs::permissions(bad, fs::perms::none);
  }

  Scenario s;
  s.line_name = "Prova";
  s.train_number = "9";
  s.build_line_plan = true;
  s.clear_scenario_table();
  FileSources sources({"Prova_linea.txt", line_path}, {"Prova_9-.txt", train_path},
                      /*consume=*/false);
  parse_sources(s, sources);

  ASSERT_EQ(s.failures.size(), 1u);
  const Failure& f = s.failures[0];
  EXPECT_EQ(f.code, c.code) << f.message;
  const std::string label = c.line_side ? "Prova_linea.txt" : "Prova_9-.txt";
  EXPECT_NE(f.message.find(label), std::string::npos) << f.message;
  ASSERT_TRUE(f.where.has_value());
  EXPECT_EQ(f.where->file, label);
  // A user's sources are never deleted or changed.
  if (c.line_side) {
    EXPECT_EQ(slurp(train_path), kTrain);
  } else {
    EXPECT_EQ(slurp(line_path), kLine);
    EXPECT_TRUE(s.route_created);  // the line file was read whole before
  }
  if (how == "unreadable") fs::permissions(bad, fs::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceFaults,
    ::testing::Values(SourceFault{"LineMissing", true, "missing", 101},
                      SourceFault{"LineIsADirectory", true, "directory", 101},
                      SourceFault{"LineIsADanglingLink", true, "dangling", 101},
                      SourceFault{"LineUnreadable", true, "unreadable", 25},
                      SourceFault{"TrainMissing", false, "missing", 25},
                      SourceFault{"TrainIsADirectory", false, "directory", 25},
                      SourceFault{"TrainIsADanglingLink", false, "dangling", 25},
                      SourceFault{"TrainUnreadable", false, "unreadable", 25}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc

#endif  // _WIN32
