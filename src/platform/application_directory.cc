#include "platform/application_directory.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace scenarioc {

std::filesystem::path application_directory() {
#ifdef _WIN32
  wchar_t buf[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
  return std::filesystem::path(std::wstring(buf, n)).parent_path();
#else
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path();
  return exe.parent_path();
#endif
}

}  // namespace scenarioc
