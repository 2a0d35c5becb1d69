// Watching an author's two source files for saves. An editor saves in many
// ways: it writes the file in place, or writes a temporary beside it and
// renames it over the file (so that for a moment the file is not there), or
// removes and creates it. Each of these is a change here; the caller lets a
// burst of them settle before it compiles. On Linux the kernel tells of the
// changes (inotify on the files' folders, since a rename-over replaces the
// file watched); elsewhere the files' size, time and bytes are read again
// every tenth of a second.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace scenarioc {

class SourceWatch {
 public:
  // Watches `files`, which need not exist yet; their folders must. Throws
  // FileError when a folder cannot be watched.
  explicit SourceWatch(const std::vector<std::filesystem::path>& files);
  ~SourceWatch();
  SourceWatch(const SourceWatch&) = delete;
  SourceWatch& operator=(const SourceWatch&) = delete;

  // Waits at most `timeout` for one of the files to be written, replaced,
  // created or removed. True when one was; false after the timeout, or
  // earlier when an interrupt (Ctrl-C) came.
  bool wait_for_change(std::chrono::milliseconds timeout);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// From now on Ctrl-C (SIGINT and SIGTERM; on Windows the console's Ctrl-C,
// Ctrl-Break and close) no longer ends the process at once: it is noted for
// stop_requested(), so that a long-running command ends between two writes,
// never in the middle of one.
void catch_interrupt();
bool stop_requested();

}  // namespace scenarioc
