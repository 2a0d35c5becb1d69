// The three compiled files as one set, one writer at a time in a folder:
// compiles killed at random moments and mended by the next run, a rename
// refused halfway, runs racing each other in one folder, runs that will not
// wait, leftovers of stopped runs, and emit keeping an author's files.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/file_set.h"
#include "platform/folder_lock.h"
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

Contents compiled_files(const fs::path& dir) {
  Contents c;
  for (const std::string& name : kCompiled)
    if (fs::exists(dir / name)) c[name] = slurp(dir / name);
  return c;
}

// Earlier compiled files of other content and other sizes than a new run's.
Contents plant_earlier_set(const fs::path& dir) {
  Contents earlier;
  int n = 0;
  for (const std::string& name : kCompiled) {
    ++n;
    earlier[name] = "earlier " + name + "\n" + std::string(static_cast<size_t>(n) * 1237, 'e');
    spit(dir / name, earlier[name]);
  }
  return earlier;
}

// Two source pairs of one scenario name that compile to three different
// files each: the built-in sources (`a`), and the same with a curve turned,
// a gradient steeper and a station renamed (`b`).
struct TwoScenarios {
  TempDir a, b;
  Contents a_set, b_set;

  TwoScenarios() {
    EXPECT_EQ(run_scenarioc({"emit"}, a.path()).status, 0);
    EXPECT_EQ(run_scenarioc({"emit"}, b.path()).status, 0);
    edit(b / "Valdena_linea.txt", "curvad1,  8500,  7300", "curvas1,  8500,  7300");
    edit(b / "Valdena_linea.txt", "pendenza,  500,   -3", "pendenza,  500,   -5");
    edit(b / "Valdena_704-.txt", "VALDENA CENTRALE", "VALDENA NORD");
    a_set = compile_alone(a.path());
    b_set = compile_alone(b.path());
    for (const std::string& name : kCompiled)
      EXPECT_NE(a_set[name], b_set[name]) << name << " is the same for both scenarios";
  }
  static void edit(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = slurp(file);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    spit(file, text);
  }
  static Contents compile_alone(const fs::path& sources) {
    TempDir out;
    const auto r = run_scenarioc(compile_args(sources, out.path()), sources);
    EXPECT_EQ(r.status, 0) << r.err;
    return compiled_files(out.path());
  }
  static std::vector<std::string> compile_args(const fs::path& sources, const fs::path& out) {
    return {"compile", (sources / "Valdena_linea.txt").string(),
            (sources / "Valdena_704-.txt").string(), "--dir", out.string()};
  }
};

const std::string kWaitNote = "another run is writing in ";

// ---- a rename refused halfway

// The third rename of the set fails (the system is told to refuse it): the
// first two files are already in place, and both go back.
TEST(OneSet, AThirdRenameRefusedLeavesTheWholeEarlierSet) {
  TwoScenarios scenarios;
  TempDir out;
  const Contents earlier = plant_earlier_set(out.path());
  int renames = 0;
  set_install_step_hook([&](std::string_view step, const fs::path&) -> std::optional<std::string> {
    if (step == "rename" && ++renames == 3) return "Operation not permitted";
    return std::nullopt;
  });
  std::ostringstream out_text, err_text;
  const int status = run_command_line(
      TwoScenarios::compile_args(scenarios.a.path(), out.path()), out_text, err_text);
  set_install_step_hook(nullptr);
  EXPECT_EQ(renames, 3);
  EXPECT_EQ(status, 2);
  EXPECT_NE(err_text.str().find("cannot write " + (out / "Valdena_704.dat").string() +
                                ": Operation not permitted"),
            std::string::npos)
      << err_text.str();
  EXPECT_EQ(compiled_files(out.path()), earlier);
  EXPECT_EQ(list_dir(out.path()), kCompiled);
}

#ifndef _WIN32

// With the route file made immutable, where the file system allows it: it
// can be neither linked, moved nor replaced.
TEST(OneSet, AnImmutableRouteFileLeavesTheWholeEarlierSet) {
  TwoScenarios scenarios;
  TempDir out;
  const Contents earlier = plant_earlier_set(out.path());
  const std::string route = (out / "Valdena_704.dat").string();
  if (std::system(("chattr +i '" + route + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "this file system or user cannot make a file immutable";
  struct Unlock {
    std::string path;
    ~Unlock() { (void)std::system(("chattr -i '" + path + "'").c_str()); }
  } unlock{route};
  const auto r = run_scenarioc(TwoScenarios::compile_args(scenarios.a.path(), out.path()),
                               out.path());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("cannot write " + route + ": Operation not permitted"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(compiled_files(out.path()), earlier);
  EXPECT_EQ(list_dir(out.path()), kCompiled);
}

// ---- runs stopped halfway

// A compile ended at the second rename of its set (in a child of this
// process), as a kill would end it: the journal tells the tale, a check
// leaves it be, and the next writing run puts the earlier set back before
// anything else and says so.
TEST(OneSet, ASetLeftHalfReplacedIsPutBackByTheNextWritingRun) {
  TwoScenarios scenarios;
  TempDir out;
  const Contents earlier = plant_earlier_set(out.path());
  const pid_t pid = fork();
  if (pid == 0) {
    int renames = 0;
    set_install_step_hook([&](std::string_view step, const fs::path&) {
      if (step == "rename" && ++renames == 2) _exit(0);
      return std::optional<std::string>();
    });
    std::ostringstream o, e;
    run_command_line(TwoScenarios::compile_args(scenarios.a.path(), out.path()), o, e);
    _exit(1);
  }
  ASSERT_EQ(testing::wait_scenarioc(pid), 0) << "the compile did not stop at its second rename";
  ASSERT_TRUE(fs::exists(out / kJournalName));
  EXPECT_EQ(slurp(out / "Valdena_linea.dat"), scenarios.a_set["Valdena_linea.dat"]);

  const auto check = run_scenarioc(
      {"check", (scenarios.a / "Valdena_linea.txt").string(),
       (scenarios.a / "Valdena_704-.txt").string()},
      out.path());
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_TRUE(fs::exists(out / kJournalName)) << "check wrote in the folder";

  // A compile that writes nothing itself (its line file is missing) still
  // mends the folder first.
  const auto r = run_scenarioc({"compile", "Nulla_linea.txt", "Nulla_1-.txt", "--dir",
                                out.path().string()},
                               out.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("scenarioc: note: a run that stopped in " + out.path().string() +
                       " had replaced only part of Valdena_linea.dat, Valdena_704.sim, "
                       "Valdena_704.dat; the earlier files are back in place\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(compiled_files(out.path()), earlier);
  EXPECT_EQ(list_dir(out.path()), kCompiled);
}

// SIGKILL at 500 moments spread over a compile of new sources over an
// earlier set, in five parts of 100 (of 10 under the sanitizers). After
// each, the next writing run (a compile whose line file is missing, so that
// it writes nothing itself) finds and mends the folder: it then holds exactly
// the earlier set or exactly the new one, and no temporary or journal. Every
// tenth time the next run is the compile itself, which ends with the new set
// and nothing else.
class KilledCompile : public ::testing::TestWithParam<int> {};

TEST_P(KilledCompile, IsMendedToOneWholeSetByTheNextWritingRun) {
  TwoScenarios scenarios;
  TempDir out;
  const std::vector<std::string> compile =
      TwoScenarios::compile_args(scenarios.a.path(), out.path());
  const std::vector<std::string> mend = {"compile", "Nulla_linea.txt", "Nulla_1-.txt",
                                         "--dir", out.path().string()};

  // How long a whole compile takes here, the median of five (a sanitizer
  // build is slower, and a busy machine has its moments).
  using std::chrono::microseconds;
  std::vector<int64_t> times;
  for (int i = 0; i < 5; ++i) {
    plant_earlier_set(out.path());
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(testing::wait_scenarioc(testing::start_scenarioc(compile, out.path(), "", "")), 0);
    times.push_back(std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - t0)
                        .count());
  }
  std::sort(times.begin(), times.end());
  const int64_t whole_us = times[2];

  std::mt19937 pick(20240704 + GetParam());
  std::uniform_real_distribution<double> when(0.0, 1.1);
  int journals = 0, earlier_kept = 0, new_kept = 0;
  constexpr int kKills = testing::stress_rounds(100);
  for (int i = 0; i < kKills; ++i) {
    for (const std::string& name : list_dir(out.path())) fs::remove(out / name);
    const Contents earlier = plant_earlier_set(out.path());
    const microseconds delay(static_cast<int64_t>(when(pick) * static_cast<double>(whole_us)));
    const pid_t pid = testing::start_scenarioc(compile, out.path(), "", "");
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    testing::wait_scenarioc(pid);
    journals += fs::exists(out / kJournalName);

    const bool compile_next = i % 10 == 9;
    const auto r = run_scenarioc(compile_next ? compile : mend, out.path());
    EXPECT_EQ(r.status, compile_next ? 0 : 2) << "kill " << i << ": " << r.err;
    const Contents now = compiled_files(out.path());
    if (compile_next) {
      EXPECT_TRUE(now == scenarios.a_set) << "kill " << i << ": not the new set";
    } else {
      EXPECT_TRUE(now == earlier || now == scenarios.a_set)
          << "kill " << i << " after " << delay.count() << " us: a mixed set";
      (now == earlier ? earlier_kept : new_kept) += 1;
    }
    EXPECT_EQ(list_dir(out.path()), kCompiled) << "kill " << i << ": leftovers";
    if (::testing::Test::HasFailure()) break;
  }
  std::cout << "[ kills    ] " << kKills << " kills over a compile of " << whole_us / 1000
            << " ms: " << journals << " left a journal; the next run found the earlier set "
            << earlier_kept << " times, the new set " << new_kept << " times\n";
}

INSTANTIATE_TEST_SUITE_P(FiveHundredKills, KilledCompile, ::testing::Range(0, 5));

// ---- one writer at a time

// Three compiles of each of two scenarios started together into one folder,
// 100 times (10 under the sanitizers): each run waits its turn, and the
// folder ends with one run's whole set.
TEST(OneWriter, ConcurrentCompilesOfTwoScenariosEndWithOneWholeSet) {
  TwoScenarios scenarios;
  TempDir out;
  TempDir logs;
  int a_won = 0, b_won = 0, waited = 0;
  constexpr int kRounds = testing::stress_rounds(100);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<int> pids;
    for (int k = 0; k < 6; ++k) {
      const fs::path& sources = k % 2 == 0 ? scenarios.a.path() : scenarios.b.path();
      pids.push_back(testing::start_scenarioc(TwoScenarios::compile_args(sources, out.path()),
                                              out.path(), "",
                                              logs / ("err" + std::to_string(k))));
    }
    for (size_t k = 0; k < pids.size(); ++k) {
      const int status = testing::wait_scenarioc(pids[k]);
      EXPECT_EQ(status, 0) << "round " << round << ": " << slurp(logs / ("err" + std::to_string(k)));
      waited += slurp(logs / ("err" + std::to_string(k))).find(kWaitNote) != std::string::npos;
    }
    const Contents now = compiled_files(out.path());
    EXPECT_TRUE(now == scenarios.a_set || now == scenarios.b_set)
        << "round " << round << ": a mixed set";
    (now == scenarios.a_set ? a_won : b_won) += 1;
    EXPECT_EQ(list_dir(out.path()), kCompiled) << "round " << round;
    if (::testing::Test::HasFailure()) break;
  }
  std::cout << "[ races    ] " << kRounds << " rounds of 3 + 3 compiles: the first scenario's set " << a_won
            << " times, the second's " << b_won << " times; " << waited
            << " runs waited for another\n";
}

// Two built-in runs in one folder, 60 times (6 under the sanitizers): the
// second waits until the first has deleted its sources, then writes and
// compiles its own.
TEST(OneWriter, TwoBuiltInRunsInOneFolderBothEndWell) {
  TempDir reference;
  ASSERT_EQ(run_scenarioc({"--dir", reference.path().string(), "--console"}, reference.path())
                .status,
            0);
  const Contents expected = compiled_files(reference.path());
  const std::vector<std::string> listing = list_dir(reference.path());
  TempDir dir, logs;
  for (int round = 0; round < testing::stress_rounds(60); ++round) {
    std::vector<int> pids;
    for (int k = 0; k < 2; ++k)
      pids.push_back(testing::start_scenarioc({"--dir", dir.path().string(), "--console"},
                                              dir.path(), "",
                                              logs / ("err" + std::to_string(k))));
    for (size_t k = 0; k < pids.size(); ++k) {
      const int status = testing::wait_scenarioc(pids[k]);
      const std::string err = slurp(logs / ("err" + std::to_string(k)));
      EXPECT_EQ(status, 0) << "round " << round << ": " << err;
      const std::string waited = "scenarioc: " + kWaitNote + dir.path().string() +
                                 "; waiting for it to end\n";
      EXPECT_TRUE(err.empty() || err == waited) << err;
    }
    EXPECT_TRUE(compiled_files(dir.path()) == expected) << "round " << round;
    EXPECT_EQ(list_dir(dir.path()), listing) << "round " << round;
    if (::testing::Test::HasFailure()) break;
  }
}

// A run that finds the folder taken says so once on standard error, waits,
// and goes on when the folder is free.
TEST(OneWriter, ARunWaitsForTheFolderAndSaysSoOnce) {
  TwoScenarios scenarios;
  TempDir out, logs;
  auto held = std::make_unique<FolderLock>(out.path(), false);
  const int pid = testing::start_scenarioc(
      TwoScenarios::compile_args(scenarios.a.path(), out.path()), out.path(), "",
      logs / "err");
  const std::string note =
      "scenarioc: " + kWaitNote + out.path().string() + "; waiting for it to end\n";
  for (int i = 0; i < 200 && (!fs::exists(logs / "err") || slurp(logs / "err").empty()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the run did not wait";
  EXPECT_EQ(slurp(logs / "err"), note);
  EXPECT_TRUE(list_dir(out.path()).empty()) << "the run wrote while it waited";
  held.reset();
  EXPECT_EQ(testing::wait_scenarioc(pid), 0);
  EXPECT_EQ(slurp(logs / "err"), note);
  EXPECT_EQ(compiled_files(out.path()), scenarios.a_set);
}

#endif  // _WIN32

// With --no-wait, a writing run fails at once while another holds the
// folder, and writes nothing; check, which writes nothing, never waits.
TEST(OneWriter, NoWaitFailsAtOnceWhileTheFolderIsTaken) {
  TwoScenarios scenarios;
  TempDir out;
  const Contents earlier = plant_earlier_set(out.path());
  const FolderLock held(out.path(), false);
  std::vector<std::string> compile = TwoScenarios::compile_args(scenarios.a.path(), out.path());
  compile.push_back("--no-wait");
  for (const std::vector<std::string>& args :
       {compile, {"emit", "--dir", out.path().string(), "--no-wait"},
        {"--dir", out.path().string(), "--console", "--no-wait"}}) {
    const auto r = run_scenarioc(args, out.path());
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.err, "scenarioc: error: " + kWaitNote + out.path().string() +
                         "; nothing written (without --no-wait this run would wait for it)\n");
    EXPECT_EQ(compiled_files(out.path()), earlier);
    EXPECT_EQ(list_dir(out.path()), kCompiled);
  }
  const auto check = run_scenarioc({"check", (scenarios.a / "Valdena_linea.txt").string(),
                                    (scenarios.a / "Valdena_704-.txt").string()},
                                   out.path());
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_EQ(check.err, "");
}

// ---- leftovers

// Temporaries carry the program's mark and the run that made them: those of
// runs that have ended go, files merely named like one stay.
TEST(OneWriter, AWritingRunRemovesTemporariesOfStoppedRunsAndNothingElse) {
  TwoScenarios scenarios;
  TempDir out;
  plant_earlier_set(out.path());
  const RunIdentity me = this_run();
  if (me.start == 0) GTEST_SKIP() << "this system does not tell when a process started";
  const std::string ended =
      ".scenarioc.tmp-" + std::to_string(me.pid) + "-" + std::to_string(me.start + 1) + "-";
  for (const std::string& leftover :
       {"Valdena_704.sim" + ended + "0", "Valdena_linea.dat" + ended + "7",
        std::string(kJournalName) + ended + "1"})
    spit(out / leftover, std::string(262144, 'x'));
  // This process is a live run to the compile: its temporary stays, as a
  // decompile's or a plot's would while they run.
  const std::string live = "Valdena_704-.txt.scenarioc.tmp-" + std::to_string(me.pid) + "-" +
                           std::to_string(me.start) + "-3";
  const std::vector<std::string> authors = {"notes.tmp.txt", "notes.txt.tmp-2024-05",
                                            "survey.dat.tmp-3-1", live};
  for (const std::string& name : authors) spit(out / name, "an author's file");
  const auto r = run_scenarioc(TwoScenarios::compile_args(scenarios.a.path(), out.path()),
                               out.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<std::string> expected = kCompiled;
  expected.insert(expected.end(), authors.begin(), authors.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list_dir(out.path()), expected);
  for (const std::string& name : authors) EXPECT_EQ(slurp(out / name), "an author's file");
}

// ---- emit keeps an author's files

TEST(Emit, RefusesToOverwriteNamingTheFilesAndWritesNothing) {
  TempDir dir;
  ASSERT_EQ(run_scenarioc({"emit"}, dir.path()).status, 0);
  const std::string edited = "[generale]\r\nlunghezza percorso,    5000\r\n";
  spit(dir / "Valdena_linea.txt", edited);
  fs::remove(dir / "Valdena_704_note.txt");
  fs::remove(dir / "Valdena_704_scheda_treno.txt");
  fs::remove(dir / "Valdena_704_rallentamenti.txt");
  const auto r = run_scenarioc({"emit", "--dir", "."}, dir.path());
  EXPECT_EQ(r.status, 2);
  const fs::path here = ".";
  EXPECT_EQ(r.err, "scenarioc: error: emit would overwrite " +
                       (here / "Valdena_linea.txt").string() + ", " +
                       (here / "Valdena_704-.txt").string() +
                       "; nothing written (--force replaces them)\n");
  EXPECT_EQ(slurp(dir / "Valdena_linea.txt"), edited);
  EXPECT_EQ(list_dir(dir.path()),
            (std::vector<std::string>{"Valdena_704-.txt", "Valdena_linea.txt"}));

  const auto forced = run_scenarioc({"emit", "--force"}, dir.path());
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(slurp(dir / "Valdena_linea.txt"), edited);
  EXPECT_EQ(list_dir(dir.path()).size(), 5u);
}

}  // namespace
}  // namespace scenarioc
