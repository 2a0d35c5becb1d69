#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/author_compile.h"
#include "cli/builtin_files.h"
#include "cli/command_line.h"
#include "cli/decompile.h"
#include "cli/diagnostics_json.h"
#include "cli/dump.h"
#include "cli/file_sources.h"
#include "cli/lsp_command.h"
#include "cli/plot_command.h"
#include "cli/report.h"
#include "cli/run.h"
#include "cli/watch_command.h"
#include "compiler/display_text.h"
#include "compiler/source_check.h"
#include "compiler/text_encoding.h"
#include "compiler/warnings.h"
#include "model/file_names.h"
#include "model/scenario_names.h"
#include "platform/application_directory.h"
#include "platform/file_io.h"
#include "platform/file_set.h"
#include "platform/folder_lock.h"
#include "platform/window.h"
#include "platform/window_select.h"
#include "reference/explain.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr const char* kVersion = SCENARIOC_VERSION;

// An author's edited sources are never overwritten by surprise: emit writes
// its five files as one set, and only where none of them stands yet, unless
// --force says to replace them.
int emit_command(const Arguments& a, IO& io) {
  const fs::path dir = a.value("--dir").value_or(".");
  const std::string L = "Valdena", T = "704";
  try {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw FileError(dir, ec.message());
    const FolderLock held = take_folder(dir, !a.has("--no-wait"), io.err);
    const std::vector<TextFile> files = builtin_text_files(L, T);
    std::string taken;
    for (const TextFile& f : files) {
      std::error_code st_ec;
      if (fs::exists(fs::symlink_status(dir / f.name, st_ec)))
        taken += (taken.empty() ? "" : ", ") + (dir / f.name).string();
    }
    if (!taken.empty() && !a.has("--force")) {
      report_fatal(io.err, "emit would overwrite " + taken +
                               "; nothing written (--force replaces them)");
      return kExitEndedEarly;
    }
    FileSet set(dir);
    for (const TextFile& f : files) set.add(f.name).write(f.bytes);
    set.install();
    io.replaced = true;
  } catch (const FolderBusy& e) {
    return busy_error(io.err, e);
  } catch (const FileError& e) {
    return file_error(io.err, e);
  }
  return kExitSuccess;
}

int builtin_run(const Arguments& a, IO& io) {
  const fs::path dir = a.has("--dir") ? fs::path(*a.value("--dir")) : builtin_run_directory();
  const WindowChoice choice = a.has("--console")  ? WindowChoice::kConsole
                              : a.has("--window") ? WindowChoice::kDesktop
                                                  : WindowChoice::kAuto;
  std::unique_ptr<Window> window = make_window(choice, io.out, io.err);
  try {
    const ExitStatus status = run_builtin_scenario(dir, *window, io.err, !a.has("--no-wait"));
    if (status != kExitEndedEarly) io.replaced = true;
    return status;
  } catch (const FolderBusy& e) {
    return busy_error(io.err, e);
  } catch (const FileError& e) {
    return file_error(io.err, e);
  }
}

// The report of the authors' commands.
const OptionSpec kNoWarningOption{"-Wno-", "NAME",
                                  "turn the warning NAME off ('scenarioc help warnings')", {},
                                  true};
const OptionSpec kWerrorOption{"--werror", "",
                               "warnings fail the compile: exit status 1, files still written"};
const OptionSpec kFatalErrorsOption{
    "--fatal-errors", "",
    "report only the failures the compile recorded: no reading on after a file's first"};
const OptionSpec kDiagnosticsOption{
    "--diagnostics", "FORMAT",
    "text (the default), or json: the report as one JSON document on stderr"};
const OptionSpec kQuietOption{"--quiet", "", "no closing summary and no line on success", "-q"};

const OptionSpec kLineNameOption{"--line-name", "N", "the line name (default: from LINE, N_linea.txt)"};
const OptionSpec kTrainNumberOption{"--train-number", "T",
                                    "the train number (default: from TRAIN, N_T-.txt)"};
// plot and decompile read compiled files: the names come from the folder.
const OptionSpec kFolderLineNameOption{
    "--line-name", "N", "the line name (default: that of the folder's one scenario)"};
const OptionSpec kFolderTrainNumberOption{
    "--train-number", "T", "the train number (default: that of the folder's one scenario)"};
const OptionSpec kNoWaitOption{"--no-wait", "",
                               "fail at once (status 2) while another run writes in the folder"};

}  // namespace

const std::vector<CommandSpec>& command_table() {
  static const std::vector<CommandSpec> table = {
      {"", "", "the built-in scenario: writes its sources and forms, compiles them there",
       "Works in the program's own directory unless --dir is given; a program\n"
       "installed on the system works in the current directory instead. From a\n"
       "desktop it shows a window while it works; from a terminal it prints instead.",
       {{"--dir", "DIR", "work in DIR instead of the program's directory"},
        {"--console", "", "print to the terminal, even on a desktop"},
        {"--window", "", "show the window, even from a terminal"},
        kNoWaitOption},
       {{"--console", "--window"}}, 0, 0, builtin_run},
      {"compile", "LINE TRAIN", "compiles your line and train files into DIR (default: here)",
       "Writes N_linea.dat, N_T.sim and N_T.dat. Names follow the files: N_linea.txt\n"
       "is line N, N_T-.txt is train T of line N. Your sources are never changed.\n"
       "The three files replace the earlier ones as one set, all or none; while\n"
       "another run writes in DIR, this one waits for it. A compile that records\n"
       "an error writes none of them and keeps the earlier ones (exit status 1),\n"
       "unless --write-on-error. Every error of a file is reported, each at its\n"
       "row, with the warnings ('scenarioc help warnings') and a closing summary.",
       {kLineNameOption, kTrainNumberOption,
        {"--dir", "DIR", "write the compiled files into DIR"},
        {"--no-plan", "", "leave out the line plan file N_linea.dat"},
        {"--write-on-error", "",
         "write what the compile recorded even when it recorded an error (exit status 1)"},
        kNoWaitOption,
        kNoWarningOption, kWerrorOption, kFatalErrorsOption, kDiagnosticsOption, kQuietOption},
       {}, 2, 2, [](const Arguments& a, IO& io) { return compile_command(a, true, io); }},
      {"check", "LINE TRAIN", "the same compile and its report, writing nothing", "",
       {kLineNameOption, kTrainNumberOption, kNoWarningOption, kWerrorOption,
        kFatalErrorsOption, kDiagnosticsOption, kQuietOption},
       {}, 2, 2, [](const Arguments& a, IO& io) { return compile_command(a, false, io); }},
      {"watch", "LINE TRAIN", "compiles again on every save of LINE or TRAIN; --serve draws it live",
       "Compiles as compile does, at the start and after every save of either\n"
       "source, into DIR (default: here): the same report, each after a line with\n"
       "the time, all on standard output, and the same three files, the earlier\n"
       "ones kept after an error. A save that comes as a burst of writes, or as a\n"
       "file renamed over the source, is compiled once. With --serve it also\n"
       "serves the drawing of the line (as plot draws it) on 127.0.0.1 alone and\n"
       "prints its address: the page lists the current errors and warnings above\n"
       "the drawing, each a link to its row, and redraws itself after each\n"
       "compile. Ctrl-C ends the watch, never in the middle of a write (status 0).",
       {kLineNameOption, kTrainNumberOption,
        {"--dir", "DIR", "write the compiled files into DIR"},
        {"--serve", "PORT",
         "serve the live drawing at http://127.0.0.1:PORT/ (no PORT or 0: a free one)", {}, false,
         true},
        {"--no-plan", "", "leave out the line plan file N_linea.dat"},
        kNoWarningOption, kWerrorOption, kFatalErrorsOption},
       {}, 2, 2, watch_command},
      {"emit", "", "writes the built-in sources and forms, the start of a new scenario",
       "Writes nothing when one of its five files is already there, unless --force.",
       {{"--dir", "DIR", "write into DIR (made when missing) instead of here"},
        {"--force", "", "replace files of those names that are already there"},
        kNoWaitOption},
       {}, 0, 0, emit_command},
      {"explain", "[CODE]", "what an error code or a warning means, with a wrong row and its fix",
       "CODE is an error code (25) or a warning's name (unknown-key); a key of the\n"
       "files (stazione) shows its values. Without CODE, lists every code and warning.", {}, {}, 0, 1,
       [](const Arguments& a, IO& io) {
         const std::optional<std::string> key =
             a.positional.empty() ? std::nullopt : std::optional<std::string>(a.positional[0]);
         if (explain(key, io.out)) return int{kExitSuccess};
         report_fatal(io.err, "no explanation for '" + *key + "'; 'scenarioc explain' lists the codes");
         return int{kExitEndedEarly};
       }},
      {"dump", "FILE", "what a compiled file (N_T.dat, N_T.sim, N_linea.dat) holds",
       "The kind follows from the name. In words by default: the occupied cells of a\n"
       "route, the stations, signs and general rows of a timetable, a point every\n"
       "1000 m of a line plan.",
       {{"--json", "", "one JSON document with every raw value (see the README)"},
        {"--all", "", "every cell, or every metre of a line plan"}},
       {}, 1, 1,
       [](const Arguments& a, IO& io) {
         return dump_command(a.positional[0], a.has("--json"), a.has("--all"), io.out, io.err);
       }},
      {"plot", "", "draws a compiled scenario: the plan, the profile along it and the train's times",
       "Draws from the three compiled files in DIR (default: here), named as for\n"
       "compile or taken from the folder when it holds one scenario, on one sheet of\n"
       "A3 landscape. FILE.svg is a picture; FILE.html a page that fits the window,\n"
       "pans, zooms and shows a row's values on hover.",
       {{"--output", "FILE", "the picture (.svg) or page (.html) to write", "-o"},
        {"--dir", "DIR", "the folder of the compiled files"},
        kFolderLineNameOption, kFolderTrainNumberOption,
        {"--from", "M", "draw from metre M"},
        {"--to", "M", "draw up to metre M"}},
       {}, 0, 0,
       [](const Arguments& a, IO& io) {
         PlotOptions o;
         if (std::string e = plot_options(a, o); !e.empty()) return usage_error(io.err, e);
         return plot_command(o, io.out, io.err);
       }},
      {"decompile", "", "writes editable sources back from a scenario's compiled files",
       "Reads N_linea.dat, N_T.sim and N_T.dat from DIR (named as for plot), writes\n"
       "N_linea.txt and N_T-.txt into OUTDIR, compiles them again in memory and\n"
       "compares: exit 1 names the first byte that differs. Without the line plan\n"
       "file the sources have no curves.",
       {{"--dir", "DIR", "the folder of the compiled files (default: here)"},
        kFolderLineNameOption, kFolderTrainNumberOption,
        {"--output", "OUTDIR", "write the sources into OUTDIR (default: here)", "-o"},
        {"--force", "", "replace sources that are already there"}},
       {}, 0, 0,
       [](const Arguments& a, IO& io) {
         DecompileOptions o;
         o.dir = a.value("--dir").value_or(".");
         o.line_name = a.value("--line-name");
         o.train_number = a.value("--train-number");
         o.out_dir = a.value("--output").value_or(".");
         o.force = a.has("--force");
         if (o.line_name.has_value() != o.train_number.has_value())
           return usage_error(io.err, "give --line-name and --train-number together");
         const int status = decompile_command(o, io.out, io.err);
         if (status != kExitEndedEarly) io.replaced = true;
         return status;
       }},
      {"lsp", "", "the language server for editors: diagnostics as you type, hover, completion",
       "Speaks the Language Server Protocol on standard input and output, for an\n"
       "editor to start. It compiles the open line or train file with its partner\n"
       "(N_linea.txt and the N_T-.txt beside it, the editor's unsaved text of any\n"
       "open one) in memory and shows every error and warning at its row; it\n"
       "explains keys, values and codes on hover, completes keys and headers, fixes\n"
       "what a warning names where the fix is certain, outlines the line and colours\n"
       "the files as the compiler reads them. It writes nothing to the disk. The\n"
       "README shows the set-up of Neovim, Helix, Emacs and VS Code.",
       {{"--stdio", "", "talk through standard input and output (its only way; editors may say so)"}},
       {}, 0, 0, lsp_command},
  };
  return table;
}

std::vector<CommandDescription> command_descriptions() {
  return {command_table().begin(), command_table().end()};
}

namespace {

// `scenarioc help warnings`: the warning table.
void print_warnings(std::ostream& out) {
  out << "The warnings of compile and check: what the format accepts but an author\n"
         "almost surely did not mean. They never change a compiled file or the exit\n"
         "status; -Wno-NAME turns one off, --werror makes them fail the compile.\n\n";
  size_t width = 0;
  for (const WarningInfo& w : warning_table()) width = std::max(width, w.name.size());
  for (const WarningInfo& w : warning_table())
    out << "  " << w.name << std::string(width - w.name.size() + 3, ' ') << w.summary << '\n';
}

const CommandSpec* find_command(std::string_view name) {
  for (const CommandSpec& c : command_table())
    if (c.name == name) return &c;
  return nullptr;
}

bool asks_for_help(std::span<const std::string> args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

int run(const std::vector<std::string>& args, IO& io) {
  if (!args.empty() && args[0] == "--version") {
    io.out << "scenarioc " << kVersion << '\n';
    return kExitSuccess;
  }
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    print_overview(command_table(), io.out);
    return kExitSuccess;
  }
  if (!args.empty() && args[0] == "help") {
    if (args.size() == 1) {
      print_overview(command_table(), io.out);
      return kExitSuccess;
    }
    if (args.size() == 2 && args[1] == "warnings") {
      print_warnings(io.out);
      return kExitSuccess;
    }
    const CommandSpec* c = find_command(args[1]);
    if (!c || args.size() > 2) return usage_error(io.err, "no help on '" + args[1] + "'");
    print_command_help(*c, io.out);
    return kExitSuccess;
  }
  const bool named = !args.empty() && !args[0].empty() && args[0][0] != '-';
  const CommandSpec* spec = find_command(named ? args[0] : "");
  if (!spec) return usage_error(io.err, "unknown command '" + args[0] + "'");
  const std::span<const std::string> rest =
      std::span<const std::string>(args).subspan(named ? 1 : 0);
  if (asks_for_help(rest)) {
    print_command_help(*spec, io.out);
    return kExitSuccess;
  }
  Arguments parsed;
  if (std::optional<std::string> e = parse_arguments(*spec, rest, parsed))
    return usage_error(io.err, *e);
  return spec->run(parsed, io);
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err) {
  IO io{out, err};
  int status;
  try {
    status = run(args, io);
  } catch (const std::bad_alloc&) {
    // Whatever was being written is gone with its temporaries, and a set
    // half replaced has been put back on the way out.
    err << "scenarioc: error: out of memory; the run ended there\n" << std::flush;
    return kExitEndedEarly;
  }
  // What could not be written (a full disk, a closed pipe) is no success:
  // the report is lost, whether it went to standard output or, as with
  // --diagnostics=json, to standard error. The status still tells whether
  // files were replaced.
  const bool replaced = io.replaced && status != kExitEndedEarly;
  out.flush();
  const bool out_lost = !out;
  if (out_lost)
    report_fatal(err, replaced ? "cannot write to standard output; the files were replaced all "
                                 "the same"
                               : "cannot write to standard output");
  err.flush();
  if (!out_lost && err) return status;
  return replaced ? kExitReportLost : kExitEndedEarly;
}

}  // namespace scenarioc
