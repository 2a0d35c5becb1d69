// The Windows side of the file operations. Paths go to the system as they
// are, in UTF-16, so that a folder with letters outside the code page works.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"
#include "platform/os_files.h"

namespace scenarioc::os_files {
namespace fs = std::filesystem;

std::string last_error_text() {
  const DWORD code = ::GetLastError();
  char buf[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, buf, sizeof buf, nullptr);
  while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == '.')) --n;
  if (n == 0) return "Windows error " + std::to_string(code);
  return std::string(buf, n);
}

int create_new(const fs::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
}

int close_file(int fd) { return ::_close(fd); }

long write_some(int fd, const char* bytes, size_t size) {
  return ::_write(fd, bytes, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}

long write_some_at(int fd, const char* bytes, size_t size, uint64_t offset) {
  if (::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  return write_some(fd, bytes, size);
}

int sync_file(int fd) { return ::_commit(fd); }

void remove_quietly(const fs::path& path) noexcept { ::_wunlink(path.c_str()); }

unsigned long process_id() { return static_cast<unsigned long>(::_getpid()); }

bool link_file(const fs::path& existing, const fs::path& name, std::string& why) {
  if (::CreateHardLinkW(name.c_str(), existing.c_str(), nullptr)) return true;
  why = last_error_text();
  return false;
}

void rename_over(const fs::path& from, const fs::path& to) {
  if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
    throw FileError(to, last_error_text());
}

// NTFS keeps its own log of names; a directory cannot be flushed from here.
void sync_directory(const fs::path&) {}

std::string error_text(int err) { return std::strerror(err); }

}  // namespace scenarioc::os_files
