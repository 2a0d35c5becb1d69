#include "driver/file_names.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace scenarioc {

std::string line_source_name(const std::string& L) { return L + "_linea.txt"; }
std::string train_source_name(const std::string& L, const std::string& T) {
  return L + "_" + T + "-.txt";
}
std::string form_name(const std::string& L, const std::string& T,
                      const std::string& form) {
  return L + "_" + T + "_" + form;
}
std::string line_plan_name(const std::string& L) { return L + "_linea.dat"; }
std::string timetable_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".sim";
}
std::string route_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".dat";
}

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
