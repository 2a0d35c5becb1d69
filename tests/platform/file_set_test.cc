// A set of files replaced all or nothing: every step of the replacement
// failing, and (on POSIX) the process ending at every step, with the next
// run's mending ending at every step too. Afterwards the folder holds exactly
// the earlier set or exactly the new one, and nothing else.
#include "platform/file_set.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <map>
#include <string>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using Contents = std::map<std::string, std::string>;

// Two earlier files, and a third name the new set adds.
const Contents kEarlier = {{"a.dat", "earlier a\n" + std::string(3000, 'a')},
                           {"b.sim", "earlier b\n"}};
const Contents kNew = {{"a.dat", "new a\n"},
                       {"b.sim", "new b\n" + std::string(5000, 'b')},
                       {"c.dat", "new c\n"}};

// Everything in the folder, by name.
Contents contents(const fs::path& dir) {
  Contents c;
  for (const std::string& name : list_dir(dir)) c[name] = slurp(dir / name);
  return c;
}

void plant(const fs::path& dir) {
  for (const auto& [name, bytes] : kEarlier) spit(dir / name, bytes);
}

void install_new(const fs::path& dir) {
  FileSet set(dir);
  for (const auto& [name, bytes] : kNew) set.add(name).write(bytes);
  set.install();
}

// Steps of one install: each call of the hook counts, and the chosen one
// fails (or the process ends there). `no_links`: every backup is a move.
struct StepCounter {
  StepCounter(bool no_links, std::string fail_step = "", int fail_nth = 0)
      : no_links(no_links), fail_step(std::move(fail_step)), fail_nth(fail_nth) {}
  bool no_links = false;
  std::string fail_step;  // empty: none fails
  int fail_nth = 0;
  int end_at_call = 0;  // end the process at this call (1-based); 0: never
  int calls = 0;
  std::map<std::string, int> seen;

  std::optional<std::string> operator()(std::string_view step, const fs::path&) {
    ++calls;
    const int nth = ++seen[std::string(step)];
#ifndef _WIN32
    if (end_at_call == calls) _exit(0);
#endif
    if (step == "link" && no_links) return "links not supported here";
    if (step == fail_step && nth == fail_nth) return "refused for the test";
    return std::nullopt;
  }
};

class HookGuard {
 public:
  explicit HookGuard(StepCounter& c) {
    set_install_step_hook([&c](std::string_view s, const fs::path& f) { return c(s, f); });
  }
  ~HookGuard() { set_install_step_hook(nullptr); }
};

TEST(FileSet, ReplacesEveryFileAndLeavesNothingElse) {
  for (const bool no_links : {false, true}) {
    TempDir dir;
    plant(dir.path());
    StepCounter counter{no_links};
    HookGuard guard(counter);
    install_new(dir.path());
    EXPECT_EQ(contents(dir.path()), kNew) << (no_links ? "moved aside" : "linked");
  }
}

struct StepFailure {
  const char* name;
  bool no_links;
  const char* step;
  int nth;
};

void PrintTo(const StepFailure& c, std::ostream* os) { *os << c.name; }

class FileSetStepFails : public ::testing::TestWithParam<StepFailure> {};

TEST_P(FileSetStepFails, LeavesExactlyTheEarlierSet) {
  const StepFailure& c = GetParam();
  TempDir dir;
  plant(dir.path());
  StepCounter counter{c.no_links, c.step, c.nth};
  HookGuard guard(counter);
  try {
    install_new(dir.path());
    ADD_FAILURE() << "the install went through";
  } catch (const FileError& e) {
    EXPECT_EQ(e.reason(), "refused for the test");
  }
  EXPECT_EQ(contents(dir.path()), kEarlier);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FileSetStepFails,
    ::testing::Values(StepFailure{"Journal", false, "journal", 1},
                      StepFailure{"FirstRename", false, "rename", 1},
                      StepFailure{"SecondRename", false, "rename", 2},
                      StepFailure{"ThirdRename", false, "rename", 3},
                      StepFailure{"Commit", false, "commit", 1},
                      StepFailure{"FirstMoveAside", true, "move", 1},
                      StepFailure{"SecondMoveAside", true, "move", 2},
                      StepFailure{"ThirdRenameAfterMoves", true, "rename", 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileSet, APutBackThatFailsKeepsTheJournalForTheNextRun) {
  TempDir dir;
  plant(dir.path());
  {
    StepCounter counter{false, "rename", 3};
    HookGuard guard(counter);
    set_install_step_hook([&counter](std::string_view s, const fs::path& f)
                              -> std::optional<std::string> {
      if (s == "restore") return "cannot restore for the test";
      return counter(s, f);
    });
    try {
      install_new(dir.path());
      ADD_FAILURE() << "the install went through";
    } catch (const FileError& e) {
      EXPECT_NE(e.reason().find("refused for the test"), std::string::npos) << e.what();
      EXPECT_NE(e.reason().find(kJournalName), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::exists(dir / kJournalName));
  }
  const MendReport mended = mend_folder(dir.path());
  EXPECT_EQ(mended.put_back, (std::vector<std::string>{"a.dat", "b.sim", "c.dat"}));
  EXPECT_EQ(contents(dir.path()), kEarlier);
}

TEST(MendFolder, RemovesTemporariesOfEndedRunsAndNothingElse) {
  TempDir dir;
  plant(dir.path());
  for (const char* leftover : {"a.dat.tmp-123-4", "scenarioc.journal.tmp-9-0", "x.sim.tmp-1-22",
                               "Valdena_704-.txt.tmp-77-0"})
    spit(dir / leftover, "left");
  const Contents others = {{"a.dat.tmp-", "o"},      {"b.dat.tmp-12", "o"},
                           {"c.dat.tmp-1-x", "o"},   {"notes.tmp-1-2.txt", "o"},
                           {".tmp-1-2", "o"},        {"notes.tmp-2024-05", "o"},
                           {"plan.dat.old.tmp-1-2", "o"}};
  for (const auto& [name, bytes] : others) spit(dir / name, bytes);
  fs::create_directory(dir / "folder.dat.tmp-1-2");
  const MendReport mended = mend_folder(dir.path());
  EXPECT_EQ(mended.leftovers_removed, 4);
  EXPECT_TRUE(mended.put_back.empty());
  EXPECT_TRUE(fs::is_directory(dir / "folder.dat.tmp-1-2"));
  fs::remove(dir / "folder.dat.tmp-1-2");
  Contents expected = kEarlier;
  expected.insert(others.begin(), others.end());
  EXPECT_EQ(contents(dir.path()), expected);
}

// A journal the program did not write, or one that would reach outside the
// folder, is not acted on: the folder stays as it is and the run says why.
TEST(MendFolder, RefusesAJournalItCannotTrust) {
  for (const std::string& journal :
       {std::string("scenarioc journal 1\na.dat\ta.dat.tmp-1-1\t\n"),  // no end
        std::string("scenarioc journal 9\nend\n"),
        std::string("scenarioc journal 1\n../a.dat\t../a.dat.tmp-1-1\t\nend\n"),
        std::string("scenarioc journal 1\na.dat\tb.sim\t\nend\n")}) {
    TempDir dir;
    plant(dir.path());
    spit(dir / kJournalName, journal);
    try {
      mend_folder(dir.path());
      ADD_FAILURE() << "acted on " << journal;
    } catch (const FileError& e) {
      EXPECT_EQ(e.path(), dir / kJournalName);
    }
    Contents expected = kEarlier;
    expected[kJournalName] = journal;
    EXPECT_EQ(contents(dir.path()), expected);
  }
}

#ifndef _WIN32

// Runs `work` in a child process that ends at the hook's call `end_at`
// (never, when 0). Returns whether it got that far.
bool run_until(int end_at, bool no_links, const std::function<void()>& work) {
  const pid_t pid = fork();
  if (pid == 0) {
    StepCounter counter{no_links};
    counter.end_at_call = end_at;
    set_install_step_hook([&counter](std::string_view s, const fs::path& f) {
      return counter(s, f);
    });
    try {
      work();
    } catch (...) {
      _exit(2);
    }
    _exit(1);  // the work ended before the chosen call
  }
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
}

// A kill at every step of an install, then a kill at every step of the next
// run's mending, then a mending that runs through.
TEST(FileSet, KilledAtAnyStepIsMendedToOneWholeSet) {
  for (const bool no_links : {false, true}) {
    int earlier = 0, fresh = 0;
    for (int kill_at = 1;; ++kill_at) {
      bool reached_mend_end = false;
      bool install_reached = true;
      for (int mend_kill_at = 1; !reached_mend_end; ++mend_kill_at) {
        TempDir dir;
        plant(dir.path());
        install_reached = run_until(kill_at, no_links, [&] { install_new(dir.path()); });
        if (!install_reached) break;
        reached_mend_end =
            !run_until(mend_kill_at, false, [&] { mend_folder(dir.path()); });
        mend_folder(dir.path());
        const Contents now = contents(dir.path());
        EXPECT_TRUE(now == kEarlier || now == kNew)
            << (no_links ? "moves" : "links") << ", killed at step " << kill_at
            << ", mending killed at step " << mend_kill_at << ": " << list_dir(dir.path()).size()
            << " files";
        (now == kEarlier ? earlier : fresh) += 1;
      }
      if (!install_reached) break;
    }
    EXPECT_GT(earlier, 0);
    EXPECT_GT(fresh, 0);
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace scenarioc
