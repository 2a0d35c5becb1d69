#include "platform/file_io.h"

#include <atomic>
#include <charconv>
#include <cerrno>
#include <fstream>
#include <optional>

#include "platform/os_files.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

// A name next to `path` that no other writer, in this process or another,
// is using: the run's identity and a counter, created exclusively. A folder
// that takes new files but lets none be renamed or removed is refused before
// anything is made in it: every temporary would stay there for good.
int open_temp_beside(const fs::path& path, fs::path& temp) {
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  if (std::optional<std::string> why = os_files::folder_keeps_every_name(dir))
    throw FileError(dir, *why);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = temporary_name_beside(path);
    const int fd = os_files::create_new(temp);
    if (fd >= 0) return fd;
    if (errno != EEXIST) throw FileError(path, os_files::error_text(errno));
  }
  throw FileError(path, "no free temporary name in its directory");
}

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

FileError::FileError(const fs::path& path, const std::string& reason)
    : std::runtime_error(path.string() + ": " + reason),
      path_(path),
      reason_(reason) {}

constexpr std::string_view kTemporaryMark = ".scenarioc.tmp-";

RunIdentity this_run() {
  static const RunIdentity run = [] {
    RunIdentity r;
    r.pid = os_files::process_id();
    os_files::process_running(r.pid, r.start);
    return r;
  }();
  // A child made by fork() is a run of its own.
  if (os_files::process_id() != run.pid) {
    RunIdentity r;
    r.pid = os_files::process_id();
    os_files::process_running(r.pid, r.start);
    return r;
  }
  return run;
}

bool may_be_running(const RunIdentity& run) {
  uint64_t start = 0;
  if (!os_files::process_running(run.pid, start)) return false;
  // Where either start is unknown, the id alone decides, on the safe side.
  return start == 0 || run.start == 0 || start == run.start;
}

fs::path temporary_name_beside(const fs::path& path) {
  static std::atomic<unsigned> counter{0};
  const RunIdentity run = this_run();
  // Appended to the path itself: a name taken out as a narrow string and
  // back may not survive the trip on Windows.
  fs::path temp = path;
  temp += std::string(kTemporaryMark) + std::to_string(run.pid) + "-" +
          std::to_string(run.start) + "-" + std::to_string(counter.fetch_add(1));
  return temp;
}

std::optional<RunIdentity> temporary_owner(std::string_view name) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) return std::nullopt;
  std::string_view tail = name.substr(mark + kTemporaryMark.size());
  std::string_view parts[3];
  for (int i = 0; i < 3; ++i) {
    const size_t dash = i < 2 ? tail.find('-') : tail.size();
    if (dash == std::string_view::npos) return std::nullopt;
    parts[i] = tail.substr(0, dash);
    if (!all_digits(parts[i])) return std::nullopt;
    tail.remove_prefix(i < 2 ? dash + 1 : dash);
  }
  uint64_t pid = 0, start = 0;
  const auto number = [](std::string_view digits, uint64_t& v) {
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    return ec == std::errc() && end == digits.data() + digits.size();
  };
  if (!number(parts[0], pid) || !number(parts[1], start) || pid > 0xffffffffu)
    return std::nullopt;
  return RunIdentity{static_cast<unsigned long>(pid), start};
}

bool is_temporary_name(std::string_view name) { return temporary_owner(name).has_value(); }

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
    os_files::close_file(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    os_files::remove_quietly(temp_);
    temp_.clear();
  }
}

void AtomicFile::write(std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const long n = os_files::write_some(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      discard();
      throw FileError(path_, os_files::error_text(err));
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::write_at(uint64_t offset, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const long n = os_files::write_some_at(fd_, p, left, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      discard();
      throw FileError(path_, os_files::error_text(err));
    }
    p += n;
    offset += static_cast<uint64_t>(n);
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::sync() {
  if (os_files::sync_file(fd_) != 0) {
    const int err = errno;
    discard();
    throw FileError(path_, os_files::error_text(err));
  }
}

void AtomicFile::close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  // A full disk may show only now, when the last blocks are written out.
  if (os_files::close_file(fd) != 0) {
    const int err = errno;
    discard();
    throw FileError(path_, os_files::error_text(err));
  }
}

void AtomicFile::commit() {
  close();
  try {
    os_files::rename_over(temp_, path_);
  } catch (const FileError&) {
    discard();
    throw;
  }
  disown();
}

void replace_file(const fs::path& path, std::string_view bytes) {
  AtomicFile f(path);
  f.write(bytes);
  f.commit();
}

std::string read_file(const fs::path& path, uint64_t max_bytes) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw FileError(path, "is a directory");
  // A pipe or a device would make the compile wait for a writer that may
  // never come; a source is a file.
  if (fs::exists(path, ec) && !fs::is_regular_file(path, ec))
    throw FileError(path, "is not a regular file");
  const auto too_large = [&] {
    return FileError(path, "larger than " + std::to_string(max_bytes) + " bytes");
  };
  std::error_code size_ec;
  const uintmax_t size = fs::file_size(path, size_ec);
  if (!size_ec && size > max_bytes) throw too_large();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, os_files::error_text(errno));
  // Straight into one string, sized once: a source is read whole.
  std::string text;
  if (!size_ec) text.reserve(size);
  char block[1 << 16];
  while (in.read(block, sizeof block), in.gcount() > 0) {
    // A file that grows while it is read, or one whose size the system does
    // not tell, stops at the bound all the same.
    if (text.size() + static_cast<size_t>(in.gcount()) > max_bytes) throw too_large();
    text.append(block, static_cast<size_t>(in.gcount()));
  }
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
