// The few file operations that differ between POSIX and Windows, under one
// set of names; file_io_posix.cc and file_io_win32.cc give them, the build
// picks one. Used by the platform layer alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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
