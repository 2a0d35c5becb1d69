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
  void commit();

 private:
  void discard() noexcept;

  std::filesystem::path path_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

// Writes `bytes` as the whole new content of `path`.
void replace_file(const std::filesystem::path& path, std::string_view bytes);

// The whole content of a regular file. Throws FileError.
std::string read_file(const std::filesystem::path& path);

// Deletes a file; a file that is already gone is no failure.
void delete_file(const std::filesystem::path& path);

}  // namespace scenarioc
