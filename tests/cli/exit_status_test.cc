// The exit status tells the truth when the report cannot be written: 2 only
// when no compiled file was replaced, 3 when the set is in place but what
// the run had to say about it is lost (a full device, a closed pipe).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::run_scenarioc;
using testing::slurp;
using testing::TempDir;

const std::vector<std::string> kCompiled = {"Valdena_704.dat", "Valdena_704.sim",
                                            "Valdena_linea.dat"};

// scenarioc with standard output on a pipe whose read end is closed
// before it starts (`scenarioc ... | true`, without the race); its exit
// status, or 128 + the signal that ended it.
int run_into_closed_pipe(const std::vector<std::string>& args, const fs::path& cwd) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  close(fds[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0 || dup2(fds[1], 1) < 0) _exit(127);
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 2) < 0) _exit(127);
    setenv("SCENARIOC_WINDOW", "console", 1);
    std::vector<char*> argv{const_cast<char*>(SCENARIOC_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(SCENARIOC_EXE, argv.data());
    _exit(127);
  }
  close(fds[1]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// The built-in sources in one folder, the files a plain compile of them
// gives in another.
class LostReport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(run_scenarioc({"emit"}, dir.path()).status, 0);
    ASSERT_EQ(run_scenarioc({"compile", "Valdena_linea.txt", "Valdena_704-.txt", "--dir",
                             expected.path().string()},
                            dir.path())
                  .status,
              0);
  }
  void expect_installed() {
    for (const std::string& name : kCompiled)
      EXPECT_EQ(slurp(dir / name), slurp(expected / name)) << name;
  }
  const std::vector<std::string> compile = {"compile", "Valdena_linea.txt", "Valdena_704-.txt"};
  TempDir dir, expected;
};

TEST_F(LostReport, StandardOutputOnAFullDeviceAfterTheSetIsInPlaceIsStatus3) {
  const int pid = testing::start_scenarioc(compile, dir.path(), "/dev/full", dir / "err.log");
  EXPECT_EQ(testing::wait_scenarioc(pid), 3);
  expect_installed();
  EXPECT_EQ(slurp(dir / "err.log"),
            "scenarioc: error: cannot write to standard output; the files were replaced all the "
            "same\n");
}

TEST_F(LostReport, AClosedPipeIsAFullDeviceNotADeathBySignal) {
  EXPECT_EQ(run_into_closed_pipe(compile, dir.path()), 3);
  expect_installed();
  // Nothing replaced: 2, as for a full device.
  EXPECT_EQ(run_into_closed_pipe({"dump", "Valdena_704.sim"}, dir.path()), 2);
}

TEST_F(LostReport, AJsonReportThatCannotBeWrittenIsNeverSuccess) {
  std::vector<std::string> args = compile;
  args.push_back("--diagnostics=json");
  int pid = testing::start_scenarioc(args, dir.path(), dir / "out.log", "/dev/full");
  EXPECT_EQ(testing::wait_scenarioc(pid), 3);
  expect_installed();
  args[0] = "check";
  pid = testing::start_scenarioc(args, dir.path(), dir / "out.log", "/dev/full");
  EXPECT_EQ(testing::wait_scenarioc(pid), 2);
}

}  // namespace
}  // namespace scenarioc
#endif
