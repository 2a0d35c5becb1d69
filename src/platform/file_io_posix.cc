// The POSIX side of the file operations.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

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

bool process_running(unsigned long pid, uint64_t& start) {
  start = 0;
  if (pid == 0 || pid > static_cast<unsigned long>(INT32_MAX)) return false;
  const pid_t p = static_cast<pid_t>(pid);
  const bool exists = ::kill(p, 0) == 0 || errno == EPERM;
  if (!exists) return false;
#ifdef __linux__
  // /proc/PID/stat: "pid (name) state ppid ...", the start in clock ticks
  // after boot as the 22nd field; the name may hold spaces and parentheses.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (stat && std::getline(stat, text)) {
    const size_t close = text.rfind(')');
    if (close != std::string::npos) {
      std::istringstream fields(text.substr(close + 1));
      std::string field;
      for (int n = 3; n <= 22 && fields >> field; ++n) {
        if (n == 3 && (field == "Z" || field == "X")) return false;  // ended, not yet waited for
        if (n == 22) start = std::strtoull(field.c_str(), nullptr, 10);
      }
    }
  }
#endif
  return true;
}

std::optional<FileStamp> file_stamp(const fs::path& path, bool follow_links) {
  struct stat st;
  if ((follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw FileError(path, error_text(errno));
  }
  FileStamp s;
  s.regular = S_ISREG(st.st_mode);
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
#ifdef __APPLE__
  s.modified_ns = static_cast<int64_t>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
  s.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
  return s;
}

std::optional<std::string> folder_keeps_every_name(const fs::path& dir) {
#ifdef __linux__
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;  // the write that follows says why
  int flags = 0;
  const int r = ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
  ::close(fd);
  if (r != 0) return std::nullopt;  // a file system without such marks
  if (flags & FS_APPEND_FL)
    return std::string("the folder is append-only: a file can be added to it but never "
                       "renamed or removed, so no file there can be replaced");
  if (flags & FS_IMMUTABLE_FL) return std::string("the folder is immutable");
#else
  (void)dir;
#endif
  return std::nullopt;
}

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
