// Small helpers shared by the tests: a scratch directory, file bytes, and a
// run of the scenarioc executable with its output captured.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace scenarioc::testing {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

std::string slurp(const std::filesystem::path& p);
void spit(const std::filesystem::path& p, const std::string& bytes);
// The names in a folder, sorted; the Windows lock file (.scenarioc.lock) left out.
std::vector<std::string> list_dir(const std::filesystem::path& dir);

struct RunResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs the built scenarioc with `args` in `cwd`.
RunResult run_scenarioc(const std::vector<std::string>& args,
                        const std::filesystem::path& cwd);

#ifndef _WIN32
// Starts scenarioc with `args` in `cwd` and returns at once with its process
// id; its output goes into `out` and `err` (/dev/null when empty). A file
// size limit above 0 caps the size of every file it writes; SIGXFSZ is
// ignored, so a write past the cap fails with EFBIG. A memory limit above 0
// caps its address space.
int start_scenarioc(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                    const std::filesystem::path& out, const std::filesystem::path& err,
                    uint64_t file_size_limit = 0, uint64_t memory_limit = 0);
// Its exit status, or 128 + the signal that ended it; `peak_kib`, when given,
// gets its peak resident memory.
int wait_scenarioc(int pid, long* peak_kib = nullptr);
#endif

// How many rounds a stress test of processes (kills, races between runs)
// makes: `full` in a plain build, a tenth of it (at least one) under the
// sanitizers. The races are found by the many rounds of the plain build; what
// the sanitizers add is a memory fault in the runs themselves, which a few
// rounds show as well as many, at five to ten times the cost of each.
constexpr int stress_rounds(int full) {
#if defined(__SANITIZE_ADDRESS__)
  return full / 10 > 0 ? full / 10 : 1;
#else
  return full;
#endif
}

#ifndef _WIN32
// The browser SCENARIOC_CHROMIUM names (set empty: none), or the first
// Chromium on the PATH; empty when there is none.
std::filesystem::path find_chromium();

// Waits up to 100 ms for bytes on `fd` (a socket or a pipe) and appends what
// came to `into`. False once the other end has closed it; true otherwise,
// whether bytes came or not, for the caller to look and wait again.
bool append_available(int fd, std::string& into);
#endif

// Little-endian readers for checking byte images.
int16_t le16(const std::string& b, size_t at);
int32_t le32(const std::string& b, size_t at);
double le_double(const std::string& b, size_t at);

}  // namespace scenarioc::testing
