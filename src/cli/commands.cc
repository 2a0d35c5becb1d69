#include "cli/commands.h"

#include <ostream>

#include "driver/file_io.h"
#include "driver/file_names.h"
#include "driver/report.h"
#include "driver/run.h"
#include "driver/window.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: scenarioc [--dir DIR]\n"
    "  with no arguments, writes the built-in scenario's sources and forms\n"
    "  into the program's directory and compiles them there\n";

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err) {
  fs::path dir;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dir" && i + 1 < args.size()) {
      dir = args[++i];
    } else if (args[i] == "--help" || args[i] == "-h") {
      out << kUsage;
      return kExitSuccess;
    } else {
      report_fatal(err, "unknown argument '" + args[i] + "'");
      err << kUsage;
      return kExitEndedEarly;
    }
  }
  if (dir.empty()) dir = application_directory();

  ConsoleWindow window(out, err);
  try {
    return form_load(dir, window, err);
  } catch (const FileError& e) {
    report_fatal(err, "cannot write " + e.path().string() + ": " + e.reason());
    return kExitEndedEarly;
  }
}

}  // namespace scenarioc
