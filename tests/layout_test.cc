// The house rule of the source tree: every include points down, from the
// command line to the model, never up and never round in a circle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace scenarioc {
namespace {

namespace fs = std::filesystem;

// Which folders each folder may include besides itself.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"model", {}},
    {"format", {"model"}},
    {"finishing", {"model"}},
    {"builtin", {"model"}},
    {"platform", {"model"}},
    {"compiler", {"model", "finishing"}},
    {"decompiler", {"model", "format", "finishing", "compiler"}},
    // The plot's drawing: what the three compiled files show, as a picture
    // or a page; it reads the files through their formats alone.
    {"plot", {"model", "format", "finishing", "compiler", "decompiler"}},
    // The authors' reference: explain, the format guide's tables, the
    // manual page and the completions, from the compiler's own tables.
    {"reference", {"model", "finishing", "compiler"}},
    // The language server: the compiler's reading of a text as the author
    // types it; the command line hands it the reference's texts.
    {"lsp", {"model", "finishing", "compiler"}},
    {"cli",
     {"model", "format", "finishing", "compiler", "decompiler", "plot", "reference", "builtin",
      "platform", "lsp"}},
};

TEST(Layout, EveryIncludePointsDown) {
  const fs::path src = fs::path(SCENARIOC_SOURCE_DIR) / "src";
  ASSERT_TRUE(fs::is_directory(src)) << src;
  const std::regex include_line(R"re(^\s*#\s*include\s*"([a-z_]+)/)re");
  int files = 0;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(src)) {
    if (!e.is_regular_file()) continue;
    const std::string folder = fs::relative(e.path(), src).begin()->string();
    const auto rule = kMayInclude.find(folder);
    ASSERT_NE(rule, kMayInclude.end()) << "a folder the house rule does not know: " << folder;
    std::ifstream in(e.path());
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
      std::smatch m;
      if (!std::regex_search(line, m, include_line)) continue;
      const std::string to = m[1];
      EXPECT_TRUE(to == folder || rule->second.count(to))
          << e.path().string() << ":" << n << " includes " << to << "/";
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

// The rule table itself has no circle: a folder never reaches itself.
TEST(Layout, TheRuleHasNoCircle) {
  for (const auto& [start, _] : kMayInclude) {
    std::set<std::string> seen;
    std::vector<std::string> todo(kMayInclude.at(start).begin(), kMayInclude.at(start).end());
    while (!todo.empty()) {
      const std::string f = todo.back();
      todo.pop_back();
      EXPECT_NE(f, start) << start << " reaches itself";
      if (!seen.insert(f).second) continue;
      for (const std::string& next : kMayInclude.at(f)) todo.push_back(next);
    }
  }
}

}  // namespace
}  // namespace scenarioc
