// The POSIX side of the file operations.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"
#include "platform/os_files.h"

namespace scenarioc::os_files {
namespace fs = std::filesystem;

int create_new(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

int close_file(int fd) { return ::close(fd); }

long write_some(int fd, const char* bytes, size_t size) { return ::write(fd, bytes, size); }

long write_some_at(int fd, const char* bytes, size_t size, uint64_t offset) {
  return ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
}

int sync_file(int fd) { return ::fsync(fd); }

void remove_quietly(const fs::path& path) noexcept { ::unlink(path.c_str()); }

unsigned long process_id() { return static_cast<unsigned long>(::getpid()); }

bool link_file(const fs::path& existing, const fs::path& name, std::string& why) {
  if (::link(existing.c_str(), name.c_str()) == 0) return true;
  why = error_text(errno);
  return false;
}

void rename_over(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throw FileError(to, error_text(errno));
}

void sync_directory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileError(dir, error_text(errno));
  // Some file systems cannot sync a directory (EINVAL); their renames are
  // then as durable as they make them.
  const int r = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (r != 0 && err != EINVAL && err != ENOTSUP) throw FileError(dir, error_text(err));
}

std::string error_text(int err) { return std::strerror(err); }

}  // namespace scenarioc::os_files
