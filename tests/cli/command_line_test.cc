#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::run_scenarioc;
using testing::slurp;
using testing::TempDir;

CommandSpec sample() {
  return CommandSpec{"compile", "LINE TRAIN", "compiles", "",
                     {{"--dir", "DIR", "where"},
                      {"--no-plan", "", "no plan"},
                      {"--output", "FILE", "to FILE", "-o"},
                      {"--console", "", "console"},
                      {"--window", "", "window"}},
                     {{"--console", "--window"}}, 2, 2, nullptr};
}

struct ParseCase {
  std::vector<std::string> args;
  std::string error;  // empty: accepted
  std::string dir;    // the value of --dir when accepted
};

TEST(ParseArguments, BothSpellingsOfAValueAndEveryRefusal) {
  const ParseCase cases[] = {
      {{"a", "b", "--dir", "x"}, "", "x"},
      {{"a", "--dir=x", "b"}, "", "x"},
      {{"--dir=", "a", "b"}, "", ""},
      {{"--dir=a=b", "a", "b"}, "", "a=b"},
      {{"a", "b", "--dir", "x", "--dir", "y"}, "", "y"},
      {{"--", "--dir", "b"}, "", "<none>"},  // after "--" every word is a file
      {{"a", "b", "--dir"}, "option '--dir' needs a value", ""},
      {{"a", "b", "--no-plan=1"}, "option '--no-plan' takes no value", ""},
      {{"a", "b", "--frobnicate"}, "unknown option '--frobnicate' for scenarioc compile", ""},
      {{"a", "b", "--console", "--window"},
       "options '--console' and '--window' cannot be given together", ""},
      {{"a"}, "scenarioc compile needs LINE TRAIN", ""},
      {{"a", "b", "c"}, "too many arguments for scenarioc compile: it takes LINE TRAIN", ""},
  };
  for (const ParseCase& c : cases) {
    Arguments parsed;
    const std::optional<std::string> e = parse_arguments(sample(), c.args, parsed);
    EXPECT_EQ(e.value_or(""), c.error) << ::testing::PrintToString(c.args);
    if (!e) {
      EXPECT_EQ(parsed.value("--dir").value_or("<none>"), c.dir);
    }
  }
}

TEST(ParseArguments, AShortNameStandsForItsOption) {
  Arguments parsed;
  ASSERT_FALSE(parse_arguments(sample(), std::vector<std::string>{"a", "-o", "f.svg", "b"}, parsed));
  EXPECT_EQ(parsed.value("--output"), "f.svg");
  EXPECT_EQ(parsed.positional, (std::vector<std::string>{"a", "b"}));
}

// An option whose value may be left out takes the next word only when it
// is a number, so that the files after it stay files.
TEST(ParseArguments, AValueThatMayBeLeftOut) {
  CommandSpec spec = sample();
  spec.options.push_back({"--serve", "PORT", "serve", {}, false, true});
  struct Case {
    std::vector<std::string> args;
    std::string serve;  // "<none>" when not given
    std::vector<std::string> positional;
  } cases[] = {
      {{"--serve", "a", "b"}, "", {"a", "b"}},
      {{"a", "b", "--serve"}, "", {"a", "b"}},
      {{"--serve", "8080", "a", "b"}, "8080", {"a", "b"}},
      {{"a", "--serve=0", "b"}, "0", {"a", "b"}},
      {{"a", "--serve=", "b"}, "", {"a", "b"}},
      {{"a", "b"}, "<none>", {"a", "b"}},
  };
  for (const Case& c : cases) {
    Arguments parsed;
    EXPECT_FALSE(parse_arguments(spec, c.args, parsed)) << ::testing::PrintToString(c.args);
    EXPECT_EQ(parsed.value("--serve").value_or("<none>"), c.serve)
        << ::testing::PrintToString(c.args);
    EXPECT_EQ(parsed.positional, c.positional) << ::testing::PrintToString(c.args);
  }
  std::ostringstream out;
  print_command_help(spec, out);
  EXPECT_NE(out.str().find("--serve [PORT]"), std::string::npos) << out.str();
}

TEST(CommandHelp, ListsEveryOptionWithItsValue) {
  std::ostringstream out;
  print_command_help(sample(), out);
  EXPECT_NE(out.str().find("usage: scenarioc compile LINE TRAIN [OPTIONS]"), std::string::npos);
  EXPECT_NE(out.str().find("-o, --output FILE"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("--no-plan"), std::string::npos);
}

// The program itself: help and version on standard output with status 0.
TEST(CommandLine, HelpAndVersionAnswerOnStandardOutput) {
  TempDir dir;
  const std::vector<std::vector<std::string>> asks = {
      {"--version"}, {"--help"}, {"-h"}, {"help"}, {"help", "compile"},
      {"compile", "--help"}, {"check", "-h"}, {"emit", "--help"}, {"--dir", "x", "--help"}};
  for (const auto& args : asks) {
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 0) << ::testing::PrintToString(args) << r.err;
    EXPECT_EQ(r.err, "") << ::testing::PrintToString(args);
    EXPECT_FALSE(r.out.empty()) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(run_scenarioc({"--version"}, dir.path()).out.rfind("scenarioc ", 0), 0u);
  EXPECT_NE(run_scenarioc({"help", "compile"}, dir.path()).out.find("--no-plan"),
            std::string::npos);
  EXPECT_TRUE(list_dir(dir.path()).empty()) << "help wrote files";
}

TEST(CommandLine, RefusalsEndWithStatus2AndWriteNothing) {
  TempDir dir;
  const std::vector<std::vector<std::string>> refused = {
      {"help", "frobnicate"}, {"--console", "--window"}, {"compile", "a", "b", "--no-plan=yes"},
      {"emit", "--dir"}};
  for (const auto& args : refused) {
    const auto r = run_scenarioc(args, dir.path());
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(r.err.rfind("scenarioc: error: ", 0), 0u) << r.err;
  }
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

#ifndef _WIN32
TEST(CommandLine, AnOutputThatCannotBeWrittenIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir dir;
  const std::string cmd = std::string("\"") + SCENARIOC_EXE + "\" --help >/dev/full 2>\"" +
                          (dir / "err").string() + "\"";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(slurp(dir / "err"), "scenarioc: error: cannot write to standard output\n");
}
#endif

TEST(CommandLine, EmitMakesItsFolderAndTakesTheEqualsSpelling) {
  TempDir dir;
  const auto r = run_scenarioc({"emit", "--dir=new/folder"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "new/folder/Valdena_linea.txt"));
}

}  // namespace
}  // namespace scenarioc
