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

bool process_running(unsigned long pid, uint64_t& start) {
  start = 0;
  HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (h == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // denied: it may run
  DWORD code = 0;
  const bool ended = ::GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
  FILETIME created, exited, kernel, user;
  if (::GetProcessTimes(h, &created, &exited, &kernel, &user))
    start = (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  ::CloseHandle(h);
  return !ended;
}

std::optional<FileStamp> file_stamp(const fs::path& path, bool follow_links) {
  HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS |
                               (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = ::GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw FileError(path, last_error_text());
  }
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL ok = ::GetFileInformationByHandle(h, &info);
  const std::string why = ok ? "" : last_error_text();
  ::CloseHandle(h);
  if (!ok) throw FileError(path, why);
  FileStamp s;
  s.regular = !(info.dwFileAttributes &
                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
  s.device = info.dwVolumeSerialNumber;
  s.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  s.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  // In 100 ns steps since 1601: a count of its own, compared only with itself.
  s.modified_ns = static_cast<int64_t>(
      ((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
       info.ftLastWriteTime.dwLowDateTime) * 100);
  return s;
}

std::optional<std::string> folder_keeps_every_name(const fs::path&) { return std::nullopt; }

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
