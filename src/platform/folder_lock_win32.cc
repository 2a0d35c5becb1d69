// The folder's lock on Windows: LockFileEx on the hidden file .scenarioc.lock
// in the folder. The file stays: removing it while another run waits on it
// would let a third run lock a new file of the same name beside them.
#include <windows.h>

#include "platform/file_io.h"
#include "platform/folder_lock.h"
#include "platform/os_files.h"

namespace scenarioc {
namespace {

bool lock(HANDLE h, DWORD flags) {
  OVERLAPPED at{};
  return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& dir, bool wait,
                       const std::function<void()>& on_wait, Access access) {
  const DWORD mode = access == Access::kRead ? 0 : LOCKFILE_EXCLUSIVE_LOCK;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw FileError(dir, ec ? ec.message() : "not a folder");
  const std::filesystem::path file = dir / ".scenarioc.lock";
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw FileError(file, os_files::last_error_text());
  handle_ = reinterpret_cast<intptr_t>(h);
  if (lock(h, mode | LOCKFILE_FAIL_IMMEDIATELY)) return;
  if (::GetLastError() != ERROR_LOCK_VIOLATION && ::GetLastError() != ERROR_IO_PENDING) {
    const std::string why = os_files::last_error_text();
    ::CloseHandle(h);
    handle_ = -1;
    throw FileError(file, "cannot lock the folder: " + why);
  }
  if (!wait) {
    ::CloseHandle(h);
    handle_ = -1;
    throw FolderBusy(dir);
  }
  if (on_wait) on_wait();
  if (!lock(h, mode)) {
    const std::string why = os_files::last_error_text();
    ::CloseHandle(h);
    handle_ = -1;
    throw FileError(file, "cannot lock the folder: " + why);
  }
}

FolderLock::~FolderLock() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));  // drops the lock
}

}  // namespace scenarioc
