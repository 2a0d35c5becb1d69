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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/os_files.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using Contents = std::map<std::string, std::string>;

// Two earlier files (a route and a timetable), and a third name the new set
// adds (the line plan).
const Contents kEarlier = {{"Valdena_704.dat", "earlier a\n" + std::string(3000, 'a')},
                           {"Valdena_704.sim", "earlier b\n"}};
const Contents kNew = {{"Valdena_704.dat", "new a\n"},
                       {"Valdena_704.sim", "new b\n" + std::string(5000, 'b')},
                       {"Valdena_linea.dat", "new c\n"}};

// Everything in the folder, by name.
Contents contents(const fs::path& dir) {
  Contents c;
  // A folder among the files stands as a mark: it has no bytes to read.
  for (const std::string& name : list_dir(dir))
    c[name] = fs::is_directory(dir / name) ? "<folder>" : slurp(dir / name);
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
  EXPECT_EQ(mended.put_back,
            (std::vector<std::string>{"Valdena_704.dat", "Valdena_704.sim", "Valdena_linea.dat"}));
  EXPECT_EQ(mended.set_aside_as, "");
  EXPECT_EQ(contents(dir.path()), kEarlier);
}

// A temporary's name as this program gives it, for the run `run`.
std::string temporary_of(const std::string& target, const RunIdentity& run, int n) {
  return target + ".scenarioc.tmp-" + std::to_string(run.pid) + "-" + std::to_string(run.start) +
         "-" + std::to_string(n);
}

TEST(MendFolder, RemovesTemporariesOfEndedRunsAndNothingElse) {
  const RunIdentity me = this_run();
  if (me.start == 0) GTEST_SKIP() << "this system does not tell when a process started";
  // This process's id with another start: a run that ended, whose id the
  // system has given again.
  const RunIdentity ended{me.pid, me.start + 1};
  TempDir dir;
  plant(dir.path());
  for (const std::string& leftover :
       {temporary_of("Valdena_704.dat", ended, 4), temporary_of(kJournalName, ended, 0),
        temporary_of("x.sim", ended, 22), temporary_of("Valdena_704-.txt", ended, 0),
        temporary_of("picture.svg", ended, 3)})
    spit(dir / leftover, "left");
  // Names merely like a temporary, a live run's temporaries (this one's),
  // a folder with a temporary's name.
  const Contents others = {{"a.dat.tmp-", "o"},
                           {"b.dat.tmp-12", "o"},
                           {"c.dat.tmp-1-x", "o"},
                           {"notes.tmp-1-2.txt", "o"},
                           {".tmp-1-2", "o"},
                           {"notes.txt.tmp-2024-05", "o"},
                           {"survey.dat.tmp-3-1", "o"},
                           {"Valdena_704.sim.tmp-999999-0", "o"},
                           {"plan.dat.scenarioc.tmp-1-2", "o"},
                           {"plan.dat.scenarioc.tmp-1-2-x", "o"},
                           {".scenarioc.tmp-1-2-3", "o"},
                           {temporary_of("Valdena_704.sim", me, 7), "live"}};
  for (const auto& [name, bytes] : others) spit(dir / name, bytes);
  fs::create_directory(dir / temporary_of("folder.dat", ended, 1));
  const MendReport mended = mend_folder(dir.path());
  EXPECT_EQ(mended.leftovers_removed, 5);
  EXPECT_TRUE(mended.put_back.empty());
  EXPECT_TRUE(fs::is_directory(dir / temporary_of("folder.dat", ended, 1)));
  fs::remove(dir / temporary_of("folder.dat", ended, 1));
  Contents expected = kEarlier;
  expected.insert(others.begin(), others.end());
  EXPECT_EQ(contents(dir.path()), expected);
}

TEST(TemporaryNames, CarryTheRunThatMadeThem) {
  const fs::path temp = temporary_name_beside("dir/Valdena_704.sim");
  const std::string name = temp.filename().string();
  ASSERT_EQ(name.rfind("Valdena_704.sim.scenarioc.tmp-", 0), 0u) << name;
  EXPECT_EQ(temporary_owner(name), this_run());
  EXPECT_TRUE(may_be_running(this_run()));
  for (const char* other : {"survey.dat.tmp-3-1", "notes.txt.tmp-2024-05", "x.scenarioc.tmp-1-2",
                            "x.scenarioc.tmp-1-2-", "x.scenarioc.tmp--1-2",
                            "x.scenarioc.tmp-99999999999-1-2", "x.scenarioc.tmp-1-2-3.txt"})
    EXPECT_FALSE(temporary_owner(other)) << other;
}

// A set left half installed, with its journal: the third rename refused and
// putting back refused too.
void leave_half_installed(const fs::path& dir) {
  StepCounter counter{false, "rename", 3};
  set_install_step_hook([&counter](std::string_view s, const fs::path& f)
                            -> std::optional<std::string> {
    if (s == "restore" || s == "unlink") return "cannot restore for the test";
    return counter(s, f);
  });
  try {
    install_new(dir);
    ADD_FAILURE() << "the install went through";
  } catch (const FileError&) {
  }
  set_install_step_hook(nullptr);
  ASSERT_TRUE(fs::exists(dir / kJournalName));
}

std::string stamp_of(const fs::path& p) {
  const std::optional<os_files::FileStamp> s = os_files::file_stamp(p);
  return std::to_string(s->size) + "," + std::to_string(s->modified_ns) + "," +
         std::to_string(s->device) + "," + std::to_string(s->inode);
}

// A journal the program did not write, one of an earlier version, one that
// names files outside the program's sets or reaches outside the folder, one
// copied from another folder: none is acted on. Every file stays as it is,
// the journal is set aside, and the report says why.
TEST(MendFolder, SetsAsideAJournalItCannotTrustAndTouchesNothing) {
  const RunIdentity me = this_run();
  const RunIdentity ended{me.pid, me.start + 1};
  struct Case {
    const char* name;
    std::function<std::string(const fs::path& dir)> journal;  // plants what it needs
    const char* because;
  };
  const auto head = [&](const fs::path& dir) {
    const std::optional<os_files::FileStamp> f = os_files::file_stamp(dir, true);
    return "scenarioc journal 2\nrun\t" + std::to_string(ended.pid) + "\t" +
           std::to_string(ended.start) + "\nfolder\t" + std::to_string(f->device) + "\t" +
           std::to_string(f->inode) + "\n";
  };
  const std::vector<Case> cases = {
      {"CutShort", [](const fs::path&) { return "scenarioc journal 2\nrun\t1\t1\n"; },
       "not a journal"},
      {"UnknownVersion", [](const fs::path&) { return "scenarioc journal 9\nend\n"; },
       "not a journal"},
      {"EarlierVersion",
       [](const fs::path&) {
         return "scenarioc journal 1\nValdena_704.dat\tValdena_704.dat.tmp-1-1\t\nend\n";
       },
       "not a journal"},
      {"OutsideTheFolder",
       [&](const fs::path& dir) {
         return head(dir) + "file\t../Valdena_704.dat\t" +
                temporary_of("../Valdena_704.dat", ended, 0) + "\t\t1,1,1,1\t-\nend\n";
       },
       "none of a set"},
      {"AnAuthorsFile",
       [&](const fs::path& dir) {
         spit(dir / "notes.doc", "an author's notes");
         return head(dir) + "file\tnotes.doc\t" + temporary_of("notes.doc", ended, 0) + "\t\t" +
                stamp_of(dir / "notes.doc") + "\t-\nend\n";
       },
       "not one set"},
      {"AnEmptyFolder",
       [&](const fs::path& dir) {
         // The two files as the run would have left them, and a folder for
         // the third: acted on, the journal would remove all three.
         fs::create_directory(dir / "Valdena_linea.dat");
         std::string j = head(dir);
         int n = 0;
         for (const char* name : {"Valdena_704.sim", "Valdena_704.dat", "Valdena_linea.dat"})
           j += std::string("file\t") + name + "\t" + temporary_of(name, ended, n++) + "\t\t" +
                stamp_of(dir / name) + "\t-\n";
         return j + "end\n";
       },
       "Valdena_linea.dat is not the file"},
      {"AReportWithATemporary",
       [&](const fs::path& dir) {
         spit(dir / "report.doc", "an author's report");
         spit(dir / "report.doc.tmp-1-1", "an author's draft");
         return head(dir) + "file\treport.doc\treport.doc.tmp-1-1\t\t" +
                stamp_of(dir / "report.doc.tmp-1-1") + "\t-\nend\n";
       },
       "none of a set"},
      {"ATemporaryOfAnotherName",
       [&](const fs::path& dir) {
         return head(dir) + "file\tValdena_704.dat\tValdena_704.sim\t\t" +
                stamp_of(dir / "Valdena_704.sim") + "\t-\nend\n";
       },
       "none of a set"},
      {"AFileThatChanged",
       [&](const fs::path& dir) {
         // The route as a run would have written it, then written again.
         return head(dir) + "file\tValdena_704.sim\t" + temporary_of("Valdena_704.sim", ended, 0) +
                "\t\t1" + stamp_of(dir / "Valdena_704.sim") + "\t-\nfile\tValdena_704.dat\t" +
                temporary_of("Valdena_704.dat", ended, 1) + "\t\t" +
                stamp_of(dir / "Valdena_704.dat") + "\t-\nend\n";
       },
       "Valdena_704.sim is not the file"},
      {"CopiedFromAnotherFolder",
       [&](const fs::path&) {
         TempDir other;
         plant(other.path());
         leave_half_installed(other.path());
         return slurp(other / kJournalName);
       },
       "another folder"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    plant(dir.path());
    const std::string journal = c.journal(dir.path());
    spit(dir / kJournalName, journal);
    Contents expected = contents(dir.path());
    expected.erase(kJournalName);
    expected[kSetAsideJournalName] = journal;
    MendReport mended;
    try {
      mended = mend_folder(dir.path());
    } catch (const FileError& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
    }
    EXPECT_TRUE(mended.put_back.empty()) << c.name;
    EXPECT_EQ(mended.set_aside_as, kSetAsideJournalName) << c.name;
    EXPECT_NE(mended.set_aside_because.find(c.because), std::string::npos)
        << c.name << ": " << mended.set_aside_because;
    EXPECT_EQ(contents(dir.path()), expected) << c.name;
    std::error_code ec;
    if (std::string(c.name) == "AnEmptyFolder") {
      EXPECT_TRUE(fs::is_directory(dir / "Valdena_linea.dat", ec));
    }
  }
}

#ifndef _WIN32
// A folder is itself however it is reached: a set left half installed
// through a link to the folder is mended through its own path.
TEST(MendFolder, AFolderReachedThroughALinkIsTheSameFolder) {
  TempDir dir, links;
  plant(dir.path());
  fs::create_directory_symlink(dir.path(), links / "out");
  leave_half_installed(links / "out");
  const MendReport mended = mend_folder(dir.path());
  EXPECT_EQ(mended.set_aside_as, "") << mended.set_aside_because;
  EXPECT_EQ(mended.put_back.size(), 3u);
  EXPECT_EQ(contents(dir.path()), kEarlier);
}
#endif

// A second journal set aside takes a name of its own.
TEST(MendFolder, KeepsEveryJournalItSetsAside) {
  TempDir dir;
  plant(dir.path());
  spit(dir / kSetAsideJournalName, "first");
  spit(dir / kJournalName, "second");
  EXPECT_EQ(mend_folder(dir.path()).set_aside_as, std::string(kSetAsideJournalName) + "-2");
  EXPECT_EQ(slurp(dir / kSetAsideJournalName), "first");
  EXPECT_EQ(slurp(dir / (std::string(kSetAsideJournalName) + "-2")), "second");
}

// A set installed whole but for its journal's removal, with no earlier
// files: the mend would remove every new file. One edited since is the
// author's: nothing of the set is touched.
TEST(MendFolder, LeavesASetAloneWhenOneOfItsFilesWasEditedSince) {
  TempDir dir;
  {
    StepCounter counter{false, "commit", 1};
    set_install_step_hook([&counter](std::string_view s, const fs::path& f)
                              -> std::optional<std::string> {
      if (s == "unlink") return "cannot remove for the test";
      return counter(s, f);
    });
    try {
      install_new(dir.path());
      ADD_FAILURE() << "the install went through";
    } catch (const FileError&) {
    }
    set_install_step_hook(nullptr);
  }
  ASSERT_TRUE(fs::exists(dir / kJournalName));
  ASSERT_EQ(slurp(dir / "Valdena_704.sim"), kNew.at("Valdena_704.sim"));
  // An edit the way an editor that writes in place makes it, in the same
  // second and of the same size, and one that writes a new file.
  for (const bool in_place : {true, false}) {
    TempDir copy;
    for (const auto& [name, bytes] : contents(dir.path()))
      if (name != kJournalName) fs::copy_file(dir / name, copy / name);
    // The journal of that copy, with its folder and files, is made anew.
    std::string journal = slurp(dir / kJournalName);
    const auto replace_stamp = [&journal](const std::string& from, const std::string& to) {
      const size_t at = journal.find(from);
      ASSERT_NE(at, std::string::npos);
      journal.replace(at, from.size(), to);
    };
    {
      const std::optional<os_files::FileStamp> d = os_files::file_stamp(dir.path(), true);
      const std::optional<os_files::FileStamp> c = os_files::file_stamp(copy.path(), true);
      replace_stamp("folder\t" + std::to_string(d->device) + "\t" + std::to_string(d->inode),
                    "folder\t" + std::to_string(c->device) + "\t" + std::to_string(c->inode));
      for (const auto& [name, bytes] : kNew) replace_stamp(stamp_of(dir / name), stamp_of(copy / name));
    }
    spit(copy / kJournalName, journal);
    const std::string edited = "edited " + kNew.at("Valdena_704.sim").substr(7);
    if (in_place) {
      std::FILE* f = std::fopen((copy / "Valdena_704.sim").string().c_str(), "r+b");
      ASSERT_NE(f, nullptr);
      std::fwrite(edited.data(), 1, edited.size(), f);
      std::fclose(f);
      // An author's edit comes a while after the run; here it comes within
      // the file system's clock tick, so its time is set as a later edit's.
      fs::last_write_time(copy / "Valdena_704.sim",
                          fs::last_write_time(copy / "Valdena_704.sim") + std::chrono::seconds(2));
    } else {
      spit(copy / "Valdena_704.sim.new", edited);
      fs::rename(copy / "Valdena_704.sim.new", copy / "Valdena_704.sim");
    }
    const MendReport mended = mend_folder(copy.path());
    EXPECT_TRUE(mended.put_back.empty());
    EXPECT_EQ(mended.set_aside_as, kSetAsideJournalName);
    Contents expected = kNew;
    expected["Valdena_704.sim"] = edited;
    expected[kSetAsideJournalName] = journal;
    EXPECT_EQ(contents(copy.path()), expected) << (in_place ? "in place" : "a new file");
  }
  // Unedited, the same journal is acted on.
  const MendReport mended = mend_folder(dir.path());
  EXPECT_EQ(mended.put_back.size(), 3u);
  EXPECT_TRUE(contents(dir.path()).empty());
}

// A folder that takes new files but lets none be renamed or removed: the
// run says so before it makes anything there.
TEST(FileSet, AnAppendOnlyFolderIsRefusedBeforeAnythingIsMadeThere) {
#ifdef _WIN32
  GTEST_SKIP() << "no append-only folders here";
#else
  TempDir dir;
  plant(dir.path());
  const std::string path = dir.path().string();
  if (std::system(("chattr +a '" + path + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "this file system or user cannot make a folder append-only";
  struct Unmark {
    std::string path;
    ~Unmark() { (void)std::system(("chattr -a '" + path + "'").c_str()); }
  } unmark{path};
  try {
    install_new(dir.path());
    ADD_FAILURE() << "the install went through";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir.path());
    EXPECT_NE(e.reason().find("append-only"), std::string::npos) << e.what();
    EXPECT_EQ(e.reason().find(kJournalName), std::string::npos) << e.what();
  }
  EXPECT_EQ(contents(dir.path()), kEarlier);
#endif
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
