// The manual page and the shell completions made from the command table:
// the page renders without a warning, bash completes commands, options and
// their values, zsh takes its function, and the build's files are the ones
// the table makes now.
#include "reference/manual.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "cli/commands.h"
#include "reference/explain.h"
#include "test_util.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::slurp;
using testing::spit;
using testing::TempDir;

std::string man_page(std::string_view version) {
  std::ostringstream out;
  write_man_page(command_descriptions(), version, out);
  return out.str();
}

std::string bash_completion() {
  std::ostringstream out;
  write_bash_completion(command_descriptions(), out);
  return out.str();
}

std::string zsh_completion() {
  std::ostringstream out;
  write_zsh_completion(command_descriptions(), out);
  return out.str();
}

TEST(Manual, TheBuildMadeItsFilesFromTheTableAsItIsNow) {
#ifdef _WIN32
  GTEST_SKIP() << "the manual page and completions are not made for Windows";
#endif
  const fs::path build = SCENARIOC_BUILD_DIR;
  EXPECT_EQ(slurp(build / "scenarioc.1"), man_page(SCENARIOC_VERSION));
  EXPECT_EQ(slurp(build / "scenarioc.bash"), bash_completion());
  EXPECT_EQ(slurp(build / "_scenarioc"), zsh_completion());
}

#ifndef _WIN32

struct Shell {
  int status = -1;
  std::string out, err;
};

// Runs `script` with `program` (bash, zsh, man...) in `cwd`.
Shell run_shell(const std::string& program, const std::string& script, const fs::path& cwd,
                const std::string& env = "") {
  TempDir capture;
  spit(capture / "script", script);
  const std::string cmd = "cd '" + cwd.string() + "' && " + env + " " + program + " '" +
                          (capture / "script").string() + "' >'" +
                          (capture / "out").string() + "' 2>'" + (capture / "err").string() +
                          "' </dev/null";
  const int raw = std::system(cmd.c_str());
  Shell r;
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = slurp(capture / "out");
  r.err = slurp(capture / "err");
  return r;
}

bool have(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(ManPage, RendersWithoutAWarningAndNamesEveryCommandOptionAndCode) {
  if (!have("man") || !have("groff")) GTEST_SKIP() << "man-db or groff is not installed";
  TempDir dir;
  spit(dir / "scenarioc.1", man_page("9.9.9"));
  // man -l reads a page from a file; --warnings passes groff's warnings on.
  const Shell r = run_shell("sh", "man --warnings -l ./scenarioc.1\n", dir.path(),
                            "MANPAGER=cat MANWIDTH=80 LC_ALL=C.UTF-8");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string& page = r.out;
  for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "EXIT STATUS",
                              "ERRORS", "WARNINGS", "ENVIRONMENT", "FILES", "SEE ALSO"})
    EXPECT_NE(page.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
  EXPECT_NE(page.find("scenarioc 9.9.9"), std::string::npos);
  for (const CommandSpec& c : command_table()) {
    if (!c.name.empty()) {
      EXPECT_NE(page.find("scenarioc " + std::string(c.name) + " "), std::string::npos)
          << c.name;
    }
    for (const OptionSpec& o : c.options) {
      // An option is printed with ASCII dashes, so that it can be copied.
      EXPECT_NE(page.find(std::string(o.name)), std::string::npos) << o.name;
      EXPECT_NE(page.find(std::string(o.help).substr(0, 20)), std::string::npos) << o.help;
    }
  }
  // A name longer than the indent stands on a line of its own.
  for (const Explanation& e : explanations())
    EXPECT_TRUE(page.find("       " + std::string(e.key) + " ") != std::string::npos ||
                page.find("       " + std::string(e.key) + "\n") != std::string::npos)
        << e.key;
}

// What bash completes for the words typed so far; the last word is the one
// being completed. `-` splits a word at "=" as bash does by default.
struct BashCase {
  std::vector<std::string> words;
  std::vector<std::string> expected;  // sorted
};

std::string bash_array(const std::vector<std::string>& words) {
  std::string a = "(";
  for (const std::string& w : words) a += " '" + w + "'";
  return a + " )";
}

std::vector<std::string> complete_in_bash(const fs::path& script, const fs::path& cwd,
                                          const std::vector<std::string>& words) {
  const Shell r = run_shell("bash",
                            "source '" + script.string() + "'\n"
                            "COMP_WORDS=" + bash_array(words) + "\n"
                            "COMP_CWORD=" + std::to_string(words.size() - 1) + "\n"
                            "_scenarioc\n"
                            "printf '%s\\n' \"${COMPREPLY[@]}\"\n",
                            cwd);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<std::string> got;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) got.push_back(line);
  std::sort(got.begin(), got.end());
  return got;
}

class BashCompletion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have("bash")) GTEST_SKIP() << "bash is not installed";
    spit(dir / "scenarioc.bash", bash_completion());
    spit(work / "Collina_linea.txt", "");
    spit(work / "Collina_123-.TXT", "");
    spit(work / "Collina_123.dat", "");
    fs::create_directory(work / "out");
  }
  std::vector<std::string> complete(const std::vector<std::string>& words) {
    return complete_in_bash(dir / "scenarioc.bash", work.path(), words);
  }
  TempDir dir, work;
};

TEST_F(BashCompletion, CompletesCommandsOptionsFilesAndValues) {
  const std::vector<std::string> sources = {"Collina_123-.TXT", "Collina_linea.txt", "out"};
  const BashCase cases[] = {
      {{"scenarioc", "ex"}, {"explain"}},
      {{"scenarioc", "c"}, {"check", "compile"}},
      {{"scenarioc", "--v"}, {"--version"}},
      {{"scenarioc", "--dir", ""}, {"out"}},
      {{"scenarioc", "--dir", "out", ""}, {}},
      {{"scenarioc", "compile", ""}, sources},
      {{"scenarioc", "compile", "Collina_l"}, {"Collina_linea.txt"}},
      {{"scenarioc", "compile", "--n"}, {"--no-plan", "--no-wait"}},
      {{"scenarioc", "compile", "--dir", ""}, {"out"}},
      {{"scenarioc", "compile", "--dir", "=", ""}, {"out"}},
      {{"scenarioc", "compile", "--dir", "=", "o"}, {"out"}},
      {{"scenarioc", "compile", "--dir=o"}, {"--dir=out"}},
      {{"scenarioc", "compile", "--line-name", ""}, {}},
      {{"scenarioc", "compile", "--line-name", "X", ""}, sources},
      {{"scenarioc", "compile", "--dir", "=", "out", "a.txt", ""}, sources},
      {{"scenarioc", "compile", "a.txt", "--no-plan", "b.txt", ""}, {}},
      {{"scenarioc", "compile", "--", ""}, sources},
      {{"scenarioc", "check", "--d"}, {"--diagnostics"}},
      {{"scenarioc", "emit", ""}, {}},
      {{"scenarioc", "explain", "12"}, {"12", "1250", "1251"}},
      {{"scenarioc", "explain", "16", ""}, {}},
      {{"scenarioc", "help", "e"}, {"emit", "explain"}},
      {{"scenarioc", "nonesuch", ""}, {}},
  };
  for (const BashCase& c : cases) {
    std::vector<std::string> expected = c.expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(complete(c.words), expected) << bash_array(c.words);
  }
}

// The completion follows the table: every command, and every option of each.
TEST_F(BashCompletion, OffersEveryCommandAndOptionOfTheTable) {
  std::vector<std::string> names = {"help"};
  for (const CommandSpec& c : command_table()) {
    std::vector<std::string> options = {"--help"};
    // "--" completes the long options; -Wno-NAME is offered for "-W".
    for (const OptionSpec& o : c.options)
      if (o.name.rfind("--", 0) == 0) options.push_back(std::string(o.name));
    if (c.name.empty()) {
      options.insert(options.end(), {"-h", "--version"});
      std::vector<std::string> got = complete({"scenarioc", "-"});
      std::sort(options.begin(), options.end());
      EXPECT_EQ(got, options);
      continue;
    }
    names.push_back(std::string(c.name));
    std::sort(options.begin(), options.end());
    EXPECT_EQ(complete({"scenarioc", std::string(c.name), "--"}), options) << c.name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(complete({"scenarioc", ""}), names);
}

TEST(ZshCompletion, IsFoundByCompinitForScenarioc) {
  if (!have("zsh")) GTEST_SKIP() << "zsh is not installed";
  TempDir dir;
  spit(dir / "_scenarioc", zsh_completion());
  const Shell r = run_shell("zsh -f",
                            "zsh -n _scenarioc || exit 3\n"
                            "fpath=(\"$PWD\" $fpath)\n"
                            "autoload -U compinit && compinit -u -D\n"
                            "print -r -- \"$_comps[scenarioc]\"\n",
                            dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "_scenarioc\n") << r.err;
}

#endif

}  // namespace
}  // namespace scenarioc
