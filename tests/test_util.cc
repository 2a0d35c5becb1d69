#include "test_util.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <random>

#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace scenarioc::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp: try random names until one is new.
  static std::mt19937 pick{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path p = fs::temp_directory_path() /
                       ("scenarioc-test-" + std::to_string(pick() % 1000000000u));
    if (fs::create_directory(p)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("no free name for a scratch directory");
#else
  std::string tmpl = (fs::temp_directory_path() / "scenarioc-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
#endif
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
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    // On Windows a writing run locks the folder through this hidden file,
    // which stays; on POSIX the folder itself is locked.
    if (name == ".scenarioc.lock") continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The program under test always gets the console form of its window
// (SCENARIOC_WINDOW=console), so that its label and reports land in the
// captured output and no run waits on a message box, display or not.
#ifdef _WIN32
namespace {

// Command-line quoting as the C runtime of the child parses it back.
std::wstring quoted(const std::wstring& arg) {
  std::wstring q = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
    } else {
      // Backslashes before a quote are doubled, and the quote escaped.
      if (c == L'"') q.append(slashes + 1, L'\\');
      slashes = 0;
    }
    q += c;
  }
  q.append(slashes, L'\\');  // doubled before the closing quote
  return q + L"\"";
}

HANDLE inheritable(const fs::path& p, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(p.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string without_cr(std::string s) {
  size_t w = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) s[w++] = s[i];
  }
  s.resize(w);
  return s;
}

}  // namespace

RunResult run_scenarioc(const std::vector<std::string>& args, const fs::path& cwd) {
  // The program is built beside the tests; the build's own path is a Unix one.
  wchar_t self[32768];
  const DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  const fs::path exe = fs::path(std::wstring(self, n)).parent_path() / "scenarioc.exe";
  std::wstring cmd = quoted(exe.wstring());
  for (const std::string& a : args) cmd += L" " + quoted(fs::path(a).wstring());

  TempDir capture;
  HANDLE out = inheritable(capture / "out", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = inheritable(capture / "err", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  SetEnvironmentVariableW(L"SCENARIOC_WINDOW", L"console");
  const BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, cwd.c_str(), &si, &pi);
  SetEnvironmentVariableW(L"SCENARIOC_WINDOW", nullptr);
  RunResult r;
  if (started) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    r.status = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) throw std::runtime_error("cannot start " + exe.string());
  // Standard output and error are text streams here and end lines with
  // CR LF; the tests compare lines.
  r.out = without_cr(slurp(capture / "out"));
  r.err = without_cr(slurp(capture / "err"));
  return r;
}
#else
RunResult run_scenarioc(const std::vector<std::string>& args, const fs::path& cwd) {
  TempDir capture;
  std::string cmd = "cd '" + cwd.string() + "' && SCENARIOC_WINDOW=console '" SCENARIOC_EXE "'";
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

bool append_available(int fd, std::string& into) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, 100) <= 0) return true;
  char chunk[65536];
  const ssize_t n = read(fd, chunk, sizeof chunk);
  if (n <= 0) return false;
  into.append(chunk, static_cast<size_t>(n));
  return true;
}

fs::path find_chromium() {
  if (const char* named = std::getenv("SCENARIOC_CHROMIUM")) return named;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  std::vector<std::string> entries;
  for (std::string d; std::getline(dirs, d, ':');) entries.push_back(d);
  for (const char* name : {"chromium", "chromium-browser", "google-chrome", "google-chrome-stable"})
    for (const std::string& d : entries) {
      const fs::path p = fs::path(d) / name;
      if (access(p.c_str(), X_OK) == 0) return p;
    }
  return {};
}

int start_scenarioc(const std::vector<std::string>& args, const fs::path& cwd,
                    const fs::path& out, const fs::path& err, uint64_t file_size_limit,
                    uint64_t memory_limit) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe work until exec.
  if (chdir(cwd.c_str()) != 0) _exit(127);
  const int flags = O_WRONLY | O_CREAT | O_TRUNC;
  const int o = open(out.empty() ? "/dev/null" : out.c_str(), flags, 0644);
  const int e = open(err.empty() ? "/dev/null" : err.c_str(), flags, 0644);
  if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(127);
  if (file_size_limit > 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit cap{file_size_limit, file_size_limit};
    if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(127);
  }
  if (memory_limit > 0) {
    const rlimit cap{memory_limit, memory_limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(127);
  }
  setenv("SCENARIOC_WINDOW", "console", 1);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(SCENARIOC_EXE));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(SCENARIOC_EXE, argv.data());
  _exit(127);
}

int wait_scenarioc(int pid, long* peak_kib) {
  int raw = 0;
  rusage usage{};
  while (wait4(pid, &raw, 0, &usage) < 0 && errno == EINTR) {
  }
  if (peak_kib) *peak_kib = usage.ru_maxrss;
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  return 128 + WTERMSIG(raw);
}
#endif

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
