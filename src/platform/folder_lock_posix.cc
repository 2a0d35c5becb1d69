// The folder's lock on POSIX: flock on the folder itself, so that the lock
// leaves no file behind. flock, unlike fcntl locks, also keeps two locks
// taken in one process apart.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_io.h"
#include "platform/folder_lock.h"
#include "platform/os_files.h"

namespace scenarioc {

FolderLock::FolderLock(const std::filesystem::path& dir, bool wait,
                       const std::function<void()>& on_wait, Access access) {
  const int mode = access == Access::kRead ? LOCK_SH : LOCK_EX;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileError(dir, os_files::error_text(errno));
  handle_ = fd;
  int r;
  while ((r = ::flock(fd, mode | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (r == 0) return;
  const int err = errno;
  if (err != EWOULDBLOCK) {
    ::close(fd);
    handle_ = -1;
    throw FileError(dir, "cannot lock the folder: " + os_files::error_text(err));
  }
  if (!wait) {
    ::close(fd);
    handle_ = -1;
    throw FolderBusy(dir);
  }
  if (on_wait) on_wait();
  while ((r = ::flock(fd, mode)) != 0 && errno == EINTR) {
  }
  if (r != 0) {
    const int e = errno;
    ::close(fd);
    handle_ = -1;
    throw FileError(dir, "cannot lock the folder: " + os_files::error_text(e));
  }
}

FolderLock::~FolderLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing drops the lock
}

}  // namespace scenarioc
