// The language server in a real editor: Neovim, headless, driven by
// neovim_client.lua with the configuration the README gives. Skipped, with
// the reason, where Neovim is not installed (./setup --tests installs it).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "lsp_fixture.h"

namespace scenarioc::testing {
namespace {

namespace fs = std::filesystem;

fs::path find_in_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= dirs.size();) {
    size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    const fs::path candidate = fs::path(dirs.substr(at, end - at)) / name;
    std::error_code ec;
    if (!candidate.parent_path().empty() && fs::is_regular_file(candidate, ec)) return candidate;
    at = end + 1;
  }
  return {};
}

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

const fs::path kLua = fs::path(SCENARIOC_SOURCE_DIR) / "tests" / "lsp";

TEST(LanguageServerInNeovim, TypoHoverCompletionAndFix) {
  const fs::path nvim = find_in_path("nvim");
  if (nvim.empty()) GTEST_SKIP() << "no Neovim (nvim) to drive: ./setup --tests installs Debian's neovim";
  ScenarioFolder f(true, false);
  const std::string train = replaced(builtin_train(), "segnale,    9900", "segnle,    9900");
  spit(f.train_path, train);
  const size_t typo = line_starting(train, "segnle,") + 1;
  const size_t key = line_starting(train, "segnale,    7400") + 1;
  const fs::path out = f.dir / "neovim.log";
  // At most two minutes: a client that never answers fails the test.
  const std::string command =
      "cd " + quoted(f.dir.path().string()) + " && SCENARIOC=" + quoted(SCENARIOC_EXE) +
      " SCENARIOC_DIR=" + quoted(f.dir.path().string()) + " SCENARIOC_TYPO=" + std::to_string(typo) +
      " SCENARIOC_KEY=" + std::to_string(key) +
      " SCENARIOC_CONFIG=" + quoted((kLua / "neovim_config.lua").string()) + " timeout 120 " +
      quoted(nvim.string()) + " --headless --clean -c " +
      quoted("luafile " + (kLua / "neovim_client.lua").string()) + " </dev/null >" +
      quoted(out.string()) + " 2>&1";
  const int status = std::system(command.c_str());
  const std::string log = slurp(out);
  EXPECT_EQ(status, 0) << log;
  EXPECT_NE(log.find("all passed"), std::string::npos) << log;
  EXPECT_EQ(log.find("FAILED"), std::string::npos) << log;
  // The editor showed the fix; the file itself is the author's to save.
  EXPECT_EQ(slurp(f.train_path), train);
}

// The README gives the configuration the test uses, line for line.
TEST(LanguageServerInNeovim, TheReadmeShowsTheConfigurationTheTestUses) {
  const std::string config = slurp(kLua / "neovim_config.lua");
  const std::string readme = slurp(fs::path(SCENARIOC_SOURCE_DIR) / "README.md");
  const size_t from = config.find("local scenarioc_client");
  ASSERT_NE(from, std::string::npos);
  EXPECT_NE(readme.find(config.substr(from)), std::string::npos)
      << "README.md should hold, as it stands:\n" << config.substr(from);
}

}  // namespace
}  // namespace scenarioc::testing

#endif  // _WIN32
