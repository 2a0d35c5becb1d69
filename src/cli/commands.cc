#include "cli/commands.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/builtin_files.h"
#include "cli/decompile.h"
#include "cli/file_sources.h"
#include "cli/report.h"
#include "cli/run.h"
#include "compiler/text_encoding.h"
#include "model/file_names.h"
#include "model/scenario_names.h"
#include "platform/application_directory.h"
#include "platform/file_io.h"
#include "platform/window.h"
#include "platform/window_select.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: scenarioc [--dir DIR] [--console | --window]\n"
    "         the built-in scenario: writes its sources and forms into the\n"
    "         program's directory (or DIR), compiles them there\n"
    "       scenarioc compile LINE TRAIN [--line-name N] [--train-number T]\n"
    "                                    [--dir DIR] [--no-plan]\n"
    "         compiles your line and train files into DIR (default: here)\n"
    "       scenarioc check LINE TRAIN [--line-name N] [--train-number T]\n"
    "         the same compile and its report, writing nothing\n"
    "       scenarioc emit [--dir DIR]\n"
    "         writes the built-in sources and forms, the start of a new scenario\n"
    "Names follow the files: N_linea.txt is line N, N_T-.txt is train T of line N.\n"
    "Exit status: 0 no failure, 1 failures reported (files still written),\n"
    "2 nothing written.\n";

int usage_error(std::ostream& err, const std::string& message) {
  report_fatal(err, message + " (scenarioc --help tells the usage)");
  return kExitEndedEarly;
}

int file_error(std::ostream& err, const FileError& e) {
  report_fatal(err, "cannot write " + e.path().string() + ": " + e.reason());
  return kExitEndedEarly;
}

struct Options {
  std::vector<std::string> positional;
  std::optional<std::string> line_name, train_number;
  fs::path dir;
  bool no_plan = false;
  WindowChoice window = WindowChoice::kAuto;
};

// Parses `args` from `first` on; the options a command accepts are named in
// `allowed`. Returns an error text, or "".
std::string parse_options(const std::vector<std::string>& args, size_t first,
                          const std::string& allowed, Options& o) {
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takes_value = a == "--dir" || a == "--line-name" || a == "--train-number";
    const bool flag = a == "--no-plan" || a == "--console" || a == "--window";
    if (a.rfind("--", 0) != 0) {
      o.positional.push_back(a);
      continue;
    }
    if ((!takes_value && !flag) || allowed.find(a + " ") == std::string::npos)
      return "unknown option '" + a + "'";
    if (takes_value && i + 1 >= args.size()) return "option '" + a + "' needs a value";
    if (a == "--dir") o.dir = args[++i];
    else if (a == "--line-name") o.line_name = args[++i];
    else if (a == "--train-number") o.train_number = args[++i];
    else if (a == "--no-plan") o.no_plan = true;
    else if (a == "--console") o.window = WindowChoice::kConsole;
    else if (a == "--window") o.window = WindowChoice::kDesktop;
  }
  return "";
}

// Compares the files themselves (device and inode, or the platform's file
// identity), so a link or another spelling of a path is caught too.
bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

// A user's source, read and converted to the simulator's code page. A file
// that is not there stays a path: the compiler reports it in its own words.
std::optional<EncodingProblem> load_source(FileSources::File& src) {
  std::error_code ec;
  if (!fs::is_regular_file(src.path, ec)) return std::nullopt;
  std::string text;
  try {
    text = read_file(src.path);
  } catch (const FileError&) {
    return std::nullopt;  // unreadable: the compiler reports it
  }
  if (std::optional<EncodingProblem> p = to_windows_1252(text, src.label)) return p;
  src.text = std::move(text);
  return std::nullopt;
}

int compile_command(const std::vector<std::string>& args, bool write, std::ostream& out,
                    std::ostream& err) {
  Options o;
  const std::string allowed = write ? "--line-name --train-number --dir --no-plan "
                                    : "--line-name --train-number ";
  if (std::string e = parse_options(args, 1, allowed, o); !e.empty()) return usage_error(err, e);
  if (o.positional.size() != 2) return usage_error(err, args[0] + " needs a LINE and a TRAIN file");
  const std::string line_arg = o.positional[0], train_arg = o.positional[1];

  const std::string line_file = fs::path(line_arg).filename().string();
  const std::string train_file = fs::path(train_arg).filename().string();
  const std::optional<TrainFileNames> from_train = names_from_train_file(train_file);
  std::optional<std::string> L = o.line_name;
  if (!L) L = line_name_from_file(line_file);
  if (!L && from_train) L = from_train->line_name;
  std::optional<std::string> T = o.train_number;
  if (!T && from_train) T = from_train->train_number;
  if (!L)
    return usage_error(err, "cannot tell the line name from '" + line_file +
                                "': name it N_linea.txt or give --line-name N");
  if (!T)
    return usage_error(err, "cannot tell the train number from '" + train_file +
                                "': name it N_T-.txt or give --train-number T");
  for (const auto& [what, name] : {std::pair{"line name", *L}, std::pair{"train number", *T}}) {
    if (const std::string why = name_problem(name); !why.empty()) {
      report_fatal(err, std::string(what) + " '" + name + "' cannot be part of a file name: " + why);
      return kExitEndedEarly;
    }
  }

  CompileJob job;
  job.line_name = *L;
  job.train_number = *T;
  job.out_dir = o.dir.empty() ? fs::path(".") : o.dir;
  job.write_line_plan = !o.no_plan;
  job.write_outputs = write;
  FileSources::File line{line_arg, line_arg}, train{train_arg, train_arg};

  if (write) {
    std::vector<fs::path> outputs = {job.out_dir / timetable_name(*L, *T),
                                     job.out_dir / route_name(*L, *T)};
    if (job.write_line_plan) outputs.push_back(job.out_dir / line_plan_name(*L));
    for (const fs::path& output : outputs)
      for (const FileSources::File* in : {&line, &train})
        if (same_file(output, in->path)) {
          report_fatal(err, "the output " + output.string() + " is the source " + in->label +
                                " itself; nothing written");
          return kExitEndedEarly;
        }
  }
  for (FileSources::File* src : {&line, &train}) {
    if (std::optional<EncodingProblem> p = load_source(*src)) {
      err << format_failure(Failure{25, std::nullopt, p->message, p->where});
      report_fatal(err, "nothing compiled");
      return kExitEndedEarly;
    }
  }

  ConsoleWindow window(out, err);
  FileSources sources(std::move(line), std::move(train), /*consume=*/false);
  try {
    return compile_and_write(sources, job, window, err);
  } catch (const FileError& e) {
    return file_error(err, e);
  }
}

int emit_command(const std::vector<std::string>& args, std::ostream& err) {
  Options o;
  if (std::string e = parse_options(args, 1, "--dir ", o); !e.empty()) return usage_error(err, e);
  if (!o.positional.empty()) return usage_error(err, "emit takes no files");
  const fs::path dir = o.dir.empty() ? fs::path(".") : o.dir;
  const std::string L = "Valdena", T = "704";
  try {
    write_builtin_text_files(L, T, dir);
  } catch (const FileError& e) {
    return file_error(err, e);
  }
  return kExitSuccess;
}

int builtin_run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (std::string e = parse_options(args, 0, "--dir --console --window ", o); !e.empty())
    return usage_error(err, e);
  if (!o.positional.empty()) return usage_error(err, "unknown command '" + o.positional[0] + "'");
  const fs::path dir = o.dir.empty() ? application_directory() : o.dir;
  std::unique_ptr<Window> window = make_window(o.window, out, err);
  try {
    return run_builtin_scenario(dir, *window, err);
  } catch (const FileError& e) {
    return file_error(err, e);
  }
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err) {
  if (!args.empty()) {
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
      out << kUsage;
      return kExitSuccess;
    }
    if (args[0] == "compile") return compile_command(args, true, out, err);
    if (args[0] == "check") return compile_command(args, false, out, err);
    if (args[0] == "emit") return emit_command(args, err);
    if (args[0] == "decompile") {
      DecompileOptions o;
      if (std::string e = parse_decompile_options(args, 1, o); !e.empty()) return usage_error(err, e);
      return decompile_command(o, out, err);
    }
  }
  return builtin_run(args, out, err);
}

}  // namespace scenarioc
