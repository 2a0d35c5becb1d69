#include "test_util.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace scenarioc::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "scenarioc-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may have taken permissions away; give them back to clean up.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::vector<std::string> list_dir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

RunResult run_scenarioc(const std::vector<std::string>& args, const fs::path& cwd) {
  TempDir capture;
  std::string cmd = "cd '" + cwd.string() + "' && '" SCENARIOC_EXE "'";
  for (const std::string& a : args) cmd += " '" + a + "'";
  cmd += " >'" + (capture / "out").string() + "' 2>'" +
         (capture / "err").string() + "' </dev/null";
  const int raw = std::system(cmd.c_str());
  RunResult r;
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  else if (WIFSIGNALED(raw)) r.status = 128 + WTERMSIG(raw);
  r.out = slurp(capture / "out");
  r.err = slurp(capture / "err");
  return r;
}

int16_t le16(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint8_t>(b.at(at)) |
                              static_cast<uint8_t>(b.at(at + 1)) << 8);
}

int32_t le32(const std::string& b, size_t at) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = u << 8 | static_cast<uint8_t>(b.at(at + i));
  return static_cast<int32_t>(u);
}

double le_double(const std::string& b, size_t at) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = u << 8 | static_cast<uint8_t>(b.at(at + i));
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

}  // namespace scenarioc::testing
