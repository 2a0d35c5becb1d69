// File operations of the compiler. Every file the program writes replaces
// the old one atomically: it is written whole to a temporary file in the same
// directory and renamed over the old one, so a failed write never leaves a
// truncated file or removes the previous one.
#pragma once

#include <cstdint>
#include <filesystem>
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

// A name beside `path` that no file has, of the form NAME.tmp-PID-N: the form
// of every temporary this program makes, so that one left by a killed run can
// be told from everything else in the folder.
std::filesystem::path temporary_name_beside(const std::filesystem::path& path);
bool is_temporary_name(std::string_view file_name);

// Writes `bytes` as the whole new content of `path`.
void replace_file(const std::filesystem::path& path, std::string_view bytes);

// The whole content of a regular file of at most `max_bytes` bytes: a larger
// one is refused before it is read. Throws FileError.
std::string read_file(const std::filesystem::path& path, uint64_t max_bytes = UINT64_MAX);

// Deletes a file; a file that is already gone is no failure.
void delete_file(const std::filesystem::path& path);

}  // namespace scenarioc
