#include "platform/application_directory.h"

#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

// The marker's place relative to the program's folder, set by the build from
// its install folders.
#ifndef SCENARIOC_INSTALL_MARKER
#define SCENARIOC_INSTALL_MARKER "../share/scenarioc/installed-program"
#endif

namespace scenarioc {

namespace {

std::filesystem::path running_program() {
#ifdef _WIN32
  wchar_t buf[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
  return std::filesystem::path(std::wstring(buf, n));
#else
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe;
#endif
}

}  // namespace

std::filesystem::path application_directory() {
  const auto exe = running_program();
  if (exe.empty()) return std::filesystem::current_path();
  return exe.parent_path();
}

bool installed_on_system(const std::filesystem::path& program,
                         const std::filesystem::path& marker) {
  namespace fs = std::filesystem;
  if (program.empty()) return false;
  const fs::path marker_file = program.parent_path() / marker;
  std::ifstream in(marker_file, std::ios::binary);
  if (!in) return false;
  // One short line; anything longer or stranger is no marker of ours.
  std::string named(1024, '\0');
  in.read(named.data(), static_cast<std::streamsize>(named.size()));
  if (static_cast<std::size_t>(in.gcount()) == named.size()) return false;
  named.resize(static_cast<std::size_t>(in.gcount()));
  while (!named.empty() && (named.back() == '\n' || named.back() == '\r')) named.pop_back();
  if (named.empty() || named.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
    return false;
  std::error_code ec;
  return fs::equivalent(marker_file.parent_path() / fs::path(named), program, ec) && !ec;
}

std::filesystem::path builtin_run_directory() {
  const auto exe = running_program();
  if (exe.empty()) return std::filesystem::current_path();
  if (installed_on_system(exe, SCENARIOC_INSTALL_MARKER)) return std::filesystem::current_path();
  return exe.parent_path();
}

}  // namespace scenarioc
