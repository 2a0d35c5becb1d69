// Runs of every kind sharing one folder: a stopped emit and an author's edit
// after it, decompile writing beside a built-in run, readers before a set a
// stopped run left half replaced, decompile's pair as one set, an
// append-only folder, and all of them at once.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "cli/commands.h"
#include "cli/run.h"
#include "platform/file_set.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using Contents = std::map<std::string, std::string>;

const std::vector<std::string> kCompiled = {"Valdena_704.dat", "Valdena_704.sim",
                                            "Valdena_linea.dat"};
const std::vector<std::string> kSources = {"Valdena_704-.txt", "Valdena_linea.txt"};

Contents files_of(const fs::path& dir, const std::vector<std::string>& names) {
  Contents c;
  for (const std::string& name : names)
    if (fs::exists(dir / name)) c[name] = slurp(dir / name);
  return c;
}

void edit(const fs::path& file, const std::string& from, const std::string& to) {
  std::string text = slurp(file);
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  spit(file, text);
}

std::vector<std::string> compile_args(const fs::path& sources, const fs::path& out) {
  return {"compile", (sources / "Valdena_linea.txt").string(),
          (sources / "Valdena_704-.txt").string(), "--dir", out.string()};
}

// The built-in scenario's sources (`a`) and the same with a curve turned, a
// steeper gradient and another station name (`b`), with the compiled set of each.
struct TwoScenarios {
  TempDir a, b;
  Contents a_set, b_set;
  TwoScenarios() {
    EXPECT_EQ(run_scenarioc({"emit"}, a.path()).status, 0);
    EXPECT_EQ(run_scenarioc({"emit"}, b.path()).status, 0);
    edit(b / "Valdena_linea.txt", "curvad1,  8500,  7300", "curvas1,  8500,  7300");
    edit(b / "Valdena_linea.txt", "pendenza,  500,   -3", "pendenza,  500,   -5");
    edit(b / "Valdena_704-.txt", "VALDENA CENTRALE", "VALDENA NORD");
    for (auto [sources, set] : {std::pair{&a, &a_set}, std::pair{&b, &b_set}}) {
      TempDir out;
      const auto r = run_scenarioc(compile_args(sources->path(), out.path()), out.path());
      EXPECT_EQ(r.status, 0) << r.err;
      *set = files_of(out.path(), kCompiled);
    }
    for (const std::string& name : kCompiled) EXPECT_NE(a_set[name], b_set[name]) << name;
  }
};

// Runs `work` in a child of this process that ends (with status 0) at the
// `nth` install step named `at`, as a kill would end it there.
void run_stopped_at(const char* at, int nth, const std::function<void()>& work) {
  const pid_t pid = fork();
  if (pid == 0) {
    int seen = 0;
    set_install_step_hook([&](std::string_view step, const fs::path&) {
      if (step == at && ++seen == nth) _exit(0);
      return std::optional<std::string>();
    });
    work();
    _exit(1);
  }
  ASSERT_EQ(testing::wait_scenarioc(pid), 0) << "the run did not stop at " << at;
}

// ---- a stopped run's journal against an author's edit

// emit killed just before it removes its journal leaves one naming its five
// files, with no earlier ones. The author edits the line source, then
// compiles in that folder: the mend must not delete the edited source (nor
// the rest of the five), and the compile goes on from it.
TEST(SharedFolder, AnEditAfterAStoppedEmitIsNeverUndone) {
  TempDir dir;
  run_stopped_at("commit", 1, [&] {
    std::ostringstream o, e;
    run_command_line({"emit", "--dir", dir.path().string()}, o, e);
  });
  ASSERT_TRUE(fs::exists(dir / kJournalName));
  edit(dir / "Valdena_linea.txt", "pendenza,  500,   -3", "pendenza,  500,   -5");
  // An author's edit comes a while after the run; here it comes within the
  // file system's clock tick, so its time is set as a later edit's.
  fs::last_write_time(dir / "Valdena_linea.txt",
                      fs::last_write_time(dir / "Valdena_linea.txt") + std::chrono::seconds(2));
  const std::string edited = slurp(dir / "Valdena_linea.txt");
  const std::vector<std::string> five = list_dir(dir.path());

  const auto r = run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "Valdena_linea.txt"), edited);
  EXPECT_EQ(r.err, "scenarioc: note: " + (fs::path(".") / kJournalName).string() +
                       " was not acted on: Valdena_linea.txt is not the file that run wrote or "
                       "found there: it has changed since; every file is left as it is, and the "
                       "journal is set aside as " + kSetAsideJournalName + "\n");
  EXPECT_FALSE(fs::exists(dir / kJournalName));
  std::vector<std::string> expected = five;
  std::replace(expected.begin(), expected.end(), std::string(kJournalName),
               std::string(kSetAsideJournalName));
  expected.insert(expected.end(), kCompiled.begin(), kCompiled.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list_dir(dir.path()), expected);
}

// ---- decompile beside a built-in run

// The built-in run is held between writing its sources and reading them
// back, and a decompile into that folder is started meanwhile: it waits, so
// the run compiles the sources it wrote and installs its own set, and the
// decompile then writes the sources of that set.
TEST(SharedFolder, DecompileNeverWritesUnderABuiltInRunsReadBack) {
  TwoScenarios scenarios;
  TempDir dir, logs;
  ASSERT_EQ(run_scenarioc(compile_args(scenarios.b.path(), dir.path()), dir.path()).status, 0);
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t run = fork();
  if (run == 0) {
    set_builtin_sources_written_hook([&] {
      char c = 1;
      if (write(ready[1], &c, 1) != 1 || read(go[0], &c, 1) != 1) _exit(3);
    });
    std::ostringstream o, e;
    _exit(run_command_line({"--dir", dir.path().string(), "--console"}, o, e));
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1) << "the built-in run did not reach its read-back";
  const Contents written = files_of(dir.path(), kSources);
  const int decompile =
      testing::start_scenarioc({"decompile", "--dir", dir.path().string(), "-o",
                                dir.path().string(), "--force"},
                               dir.path(), logs / "out", logs / "err");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(waitpid(decompile, nullptr, WNOHANG), 0) << "the decompile did not wait";
  EXPECT_EQ(files_of(dir.path(), kSources), written) << "the sources changed under the run";
  ASSERT_EQ(write(go[1], &c, 1), 1);
  EXPECT_EQ(testing::wait_scenarioc(run), 0);
  EXPECT_EQ(testing::wait_scenarioc(decompile), 0) << slurp(logs / "err");
  EXPECT_EQ(files_of(dir.path(), kCompiled), scenarios.a_set) << "not the built-in run's set";
  EXPECT_NE(slurp(logs / "out").find("they compile back to the same bytes"), std::string::npos)
      << slurp(logs / "out");
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

// ---- decompile's pair as one set

// The second rename of the pair refused: the first source, already in
// place, goes back, and the earlier pair stands whole.
TEST(SharedFolder, DecompileWhoseSecondRenameFailsKeepsTheEarlierPair) {
  TwoScenarios scenarios;
  TempDir files, out;
  ASSERT_EQ(run_scenarioc(compile_args(scenarios.a.path(), files.path()), files.path()).status,
            0);
  const Contents earlier = {{"Valdena_704-.txt", "an earlier train source\n"},
                            {"Valdena_linea.txt", "an earlier line source\n"}};
  for (const auto& [name, bytes] : earlier) spit(out / name, bytes);
  int renames = 0;
  set_install_step_hook([&](std::string_view step, const fs::path&) -> std::optional<std::string> {
    if (step == "rename" && ++renames == 2) return "Operation not permitted";
    return std::nullopt;
  });
  std::ostringstream o, e;
  const int status = run_command_line(
      {"decompile", "--dir", files.path().string(), "-o", out.path().string(), "--force"}, o, e);
  set_install_step_hook(nullptr);
  EXPECT_EQ(renames, 2);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(e.str(), "scenarioc: error: cannot write " + (out / "Valdena_704-.txt").string() +
                         ": Operation not permitted\n");
  EXPECT_EQ(files_of(out.path(), kSources), earlier);
  EXPECT_EQ(list_dir(out.path()), kSources);
}

// ---- readers before a half-replaced set

// A compile stopped at its second rename leaves the new line plan beside
// the earlier timetable and route, and its journal. plot, decompile and dump
// take none of it: one line each, status 2, nothing written.
TEST(SharedFolder, ReadersRefuseASetLeftHalfReplaced) {
  TwoScenarios scenarios;
  TempDir dir, out;
  ASSERT_EQ(run_scenarioc(compile_args(scenarios.b.path(), dir.path()), dir.path()).status, 0);
  run_stopped_at("rename", 2, [&] {
    std::ostringstream o, e;
    run_command_line(compile_args(scenarios.a.path(), dir.path()), o, e);
  });
  ASSERT_TRUE(fs::exists(dir / kJournalName));
  ASSERT_EQ(slurp(dir / "Valdena_linea.dat"), scenarios.a_set["Valdena_linea.dat"]);
  const std::vector<std::string> listing = list_dir(dir.path());
  const std::string refusal = "scenarioc: error: " + dir.path().string() +
                              " holds a set that a stopped run replaced only in part (" +
                              (dir / kJournalName).string() +
                              " says so); nothing read: the next run that writes there puts "
                              "it right\n";
  const std::vector<std::vector<std::string>> readers = {
      {"plot", "--dir", dir.path().string(), "-o", (out / "line.svg").string()},
      {"decompile", "--dir", dir.path().string(), "-o", out.path().string()},
      {"dump", (dir / "Valdena_704.sim").string()},
      {"dump", "--json", (dir / "Valdena_linea.dat").string()}};
  for (const std::vector<std::string>& args : readers) {
    const auto r = run_scenarioc(args, out.path());
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.err, refusal) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_TRUE(list_dir(out.path()).empty()) << args[0];
    EXPECT_EQ(list_dir(dir.path()), listing) << args[0];
  }
  // Put right by the next writer, the folder is read again.
  ASSERT_EQ(run_scenarioc({"compile", "Nulla_linea.txt", "Nulla_1-.txt", "--dir",
                           dir.path().string()},
                          dir.path())
                .status,
            2);
  EXPECT_EQ(files_of(dir.path(), kCompiled), scenarios.b_set);
  EXPECT_EQ(run_scenarioc(readers[0], out.path()).status, 0);
}

// ---- a folder that keeps every name

// In an append-only folder a file can be made but never renamed or removed:
// each writer says so, citing the folder, and leaves nothing there.
TEST(SharedFolder, AnAppendOnlyFolderIsRefusedAndLeftAsItWas) {
  TwoScenarios scenarios;
  TempDir dir;
  ASSERT_EQ(run_scenarioc(compile_args(scenarios.b.path(), dir.path()), dir.path()).status, 0);
  const std::string path = dir.path().string();
  if (std::system(("chattr +a '" + path + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "this file system or user cannot make a folder append-only";
  struct Unmark {
    std::string path;
    ~Unmark() { (void)std::system(("chattr -a '" + path + "'").c_str()); }
  } unmark{path};
  const std::vector<std::string> listing = list_dir(dir.path());
  const std::string refusal =
      "scenarioc: error: cannot write " + path +
      ": the folder is append-only: a file can be added to it but never renamed or removed, so "
      "no file there can be replaced\n";
  for (const std::vector<std::string>& args :
       {compile_args(scenarios.a.path(), dir.path()),
        {"emit", "--force", "--dir", path},
        {"decompile", "--dir", path, "-o", path},
        {"--dir", path, "--console"}}) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      const auto r = run_scenarioc(args, dir.path());
      EXPECT_EQ(r.status, 2) << args[0];
      EXPECT_EQ(r.err, refusal) << args[0];
      EXPECT_EQ(r.err.find(kJournalName), std::string::npos) << r.err;
      EXPECT_EQ(list_dir(dir.path()), listing) << args[0] << ": something was left behind";
    }
  }
  EXPECT_EQ(files_of(dir.path(), kCompiled), scenarios.b_set);
}

// ---- everything at once

// decompile -o, plot, compile, emit and the built-in run started together in
// one folder, round after round: every run ends well, the folder holds one
// whole compiled set, a source pair that belongs together, and no temporary
// or journal.
TEST(SharedFolder, EveryKindOfRunInOneFolderAtOnce) {
  TwoScenarios scenarios;
  TempDir dir, logs, pictures;
  ASSERT_EQ(run_scenarioc(compile_args(scenarios.a.path(), dir.path()), dir.path()).status, 0);
  // The source pairs the folder may hold: the built-in scenario's (emit),
  // and the two written back from each compiled set.
  std::vector<Contents> pairs = {files_of(scenarios.a.path(), kSources)};
  for (const TempDir* sources : {&scenarios.a, &scenarios.b}) {
    TempDir set, back;
    ASSERT_EQ(run_scenarioc(compile_args(sources->path(), set.path()), set.path()).status, 0);
    ASSERT_EQ(run_scenarioc({"decompile", "--dir", set.path().string(), "-o",
                             back.path().string()},
                            back.path())
                  .status,
              0);
    pairs.push_back(files_of(back.path(), kSources));
  }
  const std::string d = dir.path().string();
  const std::vector<std::vector<std::string>> runs = {
      {"decompile", "--dir", d, "-o", d, "--force"},
      {"plot", "--dir", d, "-o", (pictures / "line.svg").string()},
      compile_args(scenarios.b.path(), dir.path()),
      {"emit", "--force", "--dir", d},
      {"--dir", d, "--console"},
      {"plot", "--dir", d, "-o", (dir / "line.html").string()}};
  int b_sets = 0, no_sources = 0;
  constexpr int kRounds = testing::stress_rounds(12);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<int> pids;
    for (size_t k = 0; k < runs.size(); ++k)
      pids.push_back(testing::start_scenarioc(runs[k], dir.path(), "",
                                              logs / ("err" + std::to_string(k))));
    for (size_t k = 0; k < pids.size(); ++k)
      EXPECT_EQ(testing::wait_scenarioc(pids[k]), 0)
          << "round " << round << ", " << runs[k][0] << ": "
          << slurp(logs / ("err" + std::to_string(k)));
    const Contents set = files_of(dir.path(), kCompiled);
    EXPECT_TRUE(set == scenarios.a_set || set == scenarios.b_set) << "round " << round
                                                                  << ": a mixed set";
    b_sets += set == scenarios.b_set;
    const Contents sources = files_of(dir.path(), kSources);
    no_sources += sources.empty();
    EXPECT_TRUE(sources.empty() || std::find(pairs.begin(), pairs.end(), sources) != pairs.end())
        << "round " << round << ": a source pair of two scenarios";
    for (const std::string& name : list_dir(dir.path()))
      EXPECT_TRUE(name.find(".tmp-") == std::string::npos && name.find("journal") == std::string::npos)
          << "round " << round << ": " << name << " left behind";
    if (::testing::Test::HasFailure()) break;
  }
  std::cout << "[ shared   ] " << kRounds << " rounds of " << runs.size()
            << " runs of five kinds: the second scenario's set " << b_sets
            << " times, the built-in one " << kRounds - b_sets << " times; no sources left "
            << no_sources << " times\n";
}

}  // namespace
}  // namespace scenarioc

#endif  // _WIN32
