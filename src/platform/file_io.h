// File operations of the compiler. Every file the program writes replaces
// the old one atomically: it is written whole to a temporary file in the same
// directory and renamed over the old one, so a failed write never leaves a
// truncated file or removes the previous one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenarioc {

// A file the platform would not create, read, write, rename or delete.
class FileError : public std::runtime_error {
 public:
  FileError(const std::filesystem::path& path, const std::string& reason);
  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

// A file being written; it takes the place of `path` only on commit().
// Destroyed without commit(), it leaves no trace and `path` as it was.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void write(std::string_view bytes);
  // Writes `bytes` at `offset`, which may lie beyond what is written so far;
  // the gap must be filled before commit(). Not to be mixed with write().
  void write_at(uint64_t offset, std::string_view bytes);
  // Makes what is written so far durable on the disk.
  void sync();
  void commit();

  // For a set of files put in place together (FileSet): close() ends the
  // writing and keeps the temporary, which the destructor still removes;
  // disown() hands it over once it has been renamed into place.
  void close();
  void disown() noexcept { temp_.clear(); }
  const std::filesystem::path& path() const { return path_; }
  const std::filesystem::path& temp_path() const { return temp_; }

 private:
  void discard() noexcept;

  std::filesystem::path path_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

// A run of this program, as its temporaries carry it: the process id and the
// moment the process started (0 where the system does not tell), so that an
// id the system has since given to another process is not taken for the run.
struct RunIdentity {
  unsigned long pid = 0;
  uint64_t start = 0;
  bool operator==(const RunIdentity&) const = default;
};
RunIdentity this_run();
// False only when the run has surely ended; a process the system will not
// tell about counts as running.
bool may_be_running(const RunIdentity& run);

// A name beside `path` that no file has, of the form
// NAME.scenarioc.tmp-PID-START-N: the form of every temporary and backup
// this program makes, marked with the program's name and the identity of the
// run that made it, so that one left by a killed run can be told from
// everything else in the folder, and from a live run's.
std::filesystem::path temporary_name_beside(const std::filesystem::path& path);
// The run whose temporary `file_name` is, when it has that form; nothing for
// any other name (an author's notes.txt.tmp-2024-05 among them).
std::optional<RunIdentity> temporary_owner(std::string_view file_name);
bool is_temporary_name(std::string_view file_name);

// Writes `bytes` as the whole new content of `path`.
void replace_file(const std::filesystem::path& path, std::string_view bytes);

// The whole content of a regular file of at most `max_bytes` bytes: a larger
// one is refused before it is read. Throws FileError.
std::string read_file(const std::filesystem::path& path, uint64_t max_bytes = UINT64_MAX);

// Deletes a file; a file that is already gone is no failure.
void delete_file(const std::filesystem::path& path);

}  // namespace scenarioc
