// Where the system tells of no change to a file, the watch reads each
// file's presence, size, time of last write and a digest of its bytes again
// every tenth of a second and compares them with what it read before. The
// bytes count because a save of the same length within the clock's tick
// (a temporary renamed over the file, on a file system whose times are
// coarse) changes neither size nor time.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <thread>

#include "platform/file_io.h"
#include "platform/source_watch.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#endif

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

std::atomic<bool> interrupted{false};

struct Stamp {
  bool exists = false;
  uintmax_t size = 0;
  fs::file_time_type written{};
  uint64_t digest = 0;
  bool operator==(const Stamp&) const = default;
};

// FNV-1a of the file's bytes: a source is at most a few megabytes, read
// from the cache ten times a second.
uint64_t digest_of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  uint64_t h = 14695981039346656037ull;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      h ^= static_cast<unsigned char>(buffer[i]);
      h *= 1099511628211ull;
    }
  }
  return h;
}

Stamp stamp_of(const fs::path& file) {
  std::error_code ec;
  Stamp s;
  s.exists = fs::is_regular_file(file, ec);
  if (!s.exists) return s;
  s.size = fs::file_size(file, ec);
  s.written = fs::last_write_time(file, ec);
  s.digest = digest_of(file);
  return s;
}

#ifdef _WIN32
BOOL WINAPI note_interrupt(DWORD) {
  interrupted.store(true);
  return TRUE;  // handled: the process goes on to end cleanly
}
#else
extern "C" void note_interrupt(int) { interrupted.store(true); }
#endif

}  // namespace

struct SourceWatch::State {
  std::vector<fs::path> files;
  std::vector<Stamp> seen;
};

SourceWatch::SourceWatch(const std::vector<fs::path>& files) : state_(std::make_unique<State>()) {
  state_->files = files;
  for (const fs::path& f : files) {
    const fs::path folder = f.parent_path().empty() ? fs::path(".") : f.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw FileError(folder, "cannot watch it: no such folder");
    state_->seen.push_back(stamp_of(f));
  }
}

SourceWatch::~SourceWatch() = default;

bool SourceWatch::wait_for_change(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    bool changed = false;
    for (size_t i = 0; i < state_->files.size(); ++i) {
      const Stamp now = stamp_of(state_->files[i]);
      if (!(now == state_->seen[i])) {
        state_->seen[i] = now;
        changed = true;
      }
    }
    if (changed) return true;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (interrupted.load() || left <= std::chrono::steady_clock::duration::zero()) return false;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(100)));
  }
}

void catch_interrupt() {
#ifdef _WIN32
  SetConsoleCtrlHandler(note_interrupt, TRUE);
#else
  std::signal(SIGINT, note_interrupt);
  std::signal(SIGTERM, note_interrupt);
#endif
}

bool stop_requested() { return interrupted.load(); }

}  // namespace scenarioc
