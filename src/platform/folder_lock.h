// One writer at a time in a folder, and no reader beside it: every run that
// writes there (the built-in run, compile, emit, decompile) holds the
// folder's lock from before its first write to after its last rename, and
// every run that reads a compiled set there (plot, decompile, dump) holds it
// shared while it reads, so that it never takes files of two sets. The lock is advisory, taken with flock on
// the folder itself on POSIX and with LockFileEx on the hidden file
// .scenarioc.lock in it on Windows; the system drops it when the process
// ends, however it ends, so a killed run never leaves the folder locked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace scenarioc {

// Another run holds the lock, and the caller would not wait.
class FolderBusy : public std::runtime_error {
 public:
  explicit FolderBusy(const std::filesystem::path& dir)
      : std::runtime_error(dir.string() + ": another run is writing there"), dir_(dir) {}
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

class FolderLock {
 public:
  enum class Access { kWrite, kRead };  // kRead: shared with other readers

  // Takes the lock of `dir`. When another run holds it: with `wait`, calls
  // `on_wait` once and waits until it is free; without, throws FolderBusy.
  // Throws FileError when the folder cannot be opened or locked.
  FolderLock(const std::filesystem::path& dir, bool wait,
             const std::function<void()>& on_wait = {}, Access access = Access::kWrite);
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  FolderLock& operator=(FolderLock&&) = delete;

 private:
  intptr_t handle_ = -1;  // a file descriptor, or a HANDLE on Windows
};

}  // namespace scenarioc
