#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#define getpid _getpid
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

std::string errno_text(int err) { return std::strerror(err); }

// Paths go to the system as they are: on Windows as UTF-16, so that a folder
// with letters outside the code page still works.
int open_new(const fs::path& p) {
#ifdef _WIN32
  return ::_wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
#else
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, 0644);
#endif
}

void unlink_path(const fs::path& p) {
#ifdef _WIN32
  ::_wunlink(p.c_str());
#else
  ::unlink(p.c_str());
#endif
}

// A name next to `path` that no other writer, in this process or another,
// is using: the process id and a counter, created with O_EXCL.
int open_temp_beside(const fs::path& path, fs::path& temp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << path.filename().string() << ".tmp-" << getpid() << "-"
         << counter.fetch_add(1);
    temp = path.parent_path() / name.str();
    const int fd = open_new(temp);
    if (fd >= 0) return fd;
    if (errno != EEXIST) throw FileError(path, errno_text(errno));
  }
  throw FileError(path, "no free temporary name in its directory");
}

}  // namespace

FileError::FileError(const fs::path& path, const std::string& reason)
    : std::runtime_error(path.string() + ": " + reason),
      path_(path),
      reason_(reason) {}

AtomicFile::AtomicFile(fs::path path) : path_(std::move(path)) {
  // A directory in the way would make the rename fail only at the end;
  // say so before anything is written.
  std::error_code ec;
  if (fs::is_directory(path_, ec))
    throw FileError(path_, "a directory of that name is in the way");
  fd_ = open_temp_beside(path_, temp_);
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
    unlink_path(temp_);
  }
}

void AtomicFile::write(std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      discard();
      throw FileError(path_, errno_text(err));
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::write_at(uint64_t offset, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
#ifdef _WIN32
    const ssize_t n = ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0
                          ? -1
                          : ::write(fd_, p, static_cast<unsigned>(left));
#else
    const ssize_t n = ::pwrite(fd_, p, left, static_cast<off_t>(offset));
#endif
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      discard();
      throw FileError(path_, errno_text(err));
    }
    p += n;
    offset += static_cast<uint64_t>(n);
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::commit() {
  if (::close(fd_) != 0) {
    const int err = errno;
    fd_ = -1;
    unlink_path(temp_);
    throw FileError(path_, errno_text(err));
  }
  fd_ = -1;
  std::error_code ec;
  fs::rename(temp_, path_, ec);
  if (ec) {
    unlink_path(temp_);
    throw FileError(path_, ec.message());
  }
}

void replace_file(const fs::path& path, std::string_view bytes) {
  AtomicFile f(path);
  f.write(bytes);
  f.commit();
}

std::string read_file(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw FileError(path, "is a directory");
  // A pipe or a device would make the compile wait for a writer that may
  // never come; a source is a file.
  if (fs::exists(path, ec) && !fs::is_regular_file(path, ec))
    throw FileError(path, "is not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, errno_text(errno));
  // Straight into one string, sized once: a source is read whole.
  std::string text;
  std::error_code size_ec;
  if (const uintmax_t size = fs::file_size(path, size_ec); !size_ec) text.reserve(size);
  char block[1 << 16];
  while (in.read(block, sizeof block), in.gcount() > 0)
    text.append(block, static_cast<size_t>(in.gcount()));
  if (in.bad()) throw FileError(path, "read error");
  return text;
}

void delete_file(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory)
    throw FileError(path, ec.message());
}

}  // namespace scenarioc
