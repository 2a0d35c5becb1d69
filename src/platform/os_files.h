// The few file operations that differ between POSIX and Windows, under one
// set of names; file_io_posix.cc and file_io_win32.cc give them, the build
// picks one. Used by the platform layer alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace scenarioc::os_files {

// These return -1 with errno set on failure, as the C library does.
int create_new(const std::filesystem::path& path);  // fails when the name is taken
int close_file(int fd);
long write_some(int fd, const char* bytes, size_t size);
long write_some_at(int fd, const char* bytes, size_t size, uint64_t offset);
int sync_file(int fd);

// Removes a file, silently: for temporaries that may already be gone.
void remove_quietly(const std::filesystem::path& path) noexcept;

unsigned long process_id();

// Whether a process with that id is running (a zombie that has ended but not
// been waited for is not); `start` gets the moment it started, in the
// system's own units, or 0 where the system does not tell.
bool process_running(unsigned long pid, uint64_t& start);

// What tells one file from another and from an edited copy of itself: the
// device and file number of the file (the same through a rename or a second
// name), its size and the time it was last written, in nanoseconds.
struct FileStamp {
  bool regular = false;  // a regular file, not a folder, link or device
  uint64_t device = 0, inode = 0, size = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of what has that name (a link itself, not what it points to,
// unless `follow_links`: a folder is the same however it is reached), or
// nothing when nothing has it. Throws FileError when the system cannot tell.
std::optional<FileStamp> file_stamp(const std::filesystem::path& path, bool follow_links = false);

// Why nothing can be replaced in `dir` although files can be added to it (a
// folder marked append-only or immutable), or nothing.
std::optional<std::string> folder_keeps_every_name(const std::filesystem::path& dir);

// Gives an existing file a second name. False, with the system's reason in
// `why`, when it cannot (a file system without such links, a file that may
// not be linked).
bool link_file(const std::filesystem::path& existing, const std::filesystem::path& name,
               std::string& why);

// Puts `from` in the place of `to`, replacing it in one step. Throws FileError
// naming `to`.
void rename_over(const std::filesystem::path& from, const std::filesystem::path& to);

// Makes the names created, renamed and removed in `dir` so far durable on the
// disk. Throws FileError naming `dir`.
void sync_directory(const std::filesystem::path& dir);

std::string error_text(int err);

#ifdef _WIN32
// The system's words for the last Win32 error.
std::string last_error_text();
#endif

}  // namespace scenarioc::os_files
