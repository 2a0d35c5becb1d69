#include "reference/manual.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "reference/explain.h"
#include "compiler/warnings.h"

namespace scenarioc {
namespace {

// What the run in front of the table (`run` in commands.cc) takes itself:
// help and the version come before any command.
constexpr std::string_view kHelpCommand = "help";
constexpr std::string_view kHelpSummary = "tells the usage of every command, or more of one";
constexpr std::string_view kTopOptions[] = {"--help", "-h", "--version"};

// How a value or an argument is completed, by its name in the table.
enum class Completion { kNothing, kDirectory, kTextFile, kCommand, kExplainKey };

Completion completion_of(std::string_view name) {
  if (!name.empty() && name.front() == '[') name = name.substr(1, name.size() - 2);
  if (name == "DIR") return Completion::kDirectory;
  if (name == "LINE" || name == "TRAIN" || name == "FILE") return Completion::kTextFile;
  if (name == "COMMAND") return Completion::kCommand;
  if (name == "CODE") return Completion::kExplainKey;
  return Completion::kNothing;
}

// The words of an argument list: "LINE TRAIN" gives LINE and TRAIN.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t end = std::min(text.find(' ', i), text.size());
    if (end > i) out.push_back(text.substr(i, end - i));
    i = end;
  }
  return out;
}

std::string explain_keys() {
  std::string keys;
  for (const Explanation* e : explanations_in_order())
    keys += (keys.empty() ? "" : " ") + std::string(e->key);
  return keys;
}

// ---- the manual page ----

// Text for groff: a backslash is written \e, a dash \- (so that options can
// be copied from the page), and a line may not start with a control
// character.
std::string roff(std::string_view text) {
  std::string out;
  bool line_start = true;
  for (char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
    line_start = c == '\n';
  }
  return out;
}

std::string bold(std::string_view s) { return "\\fB" + roff(s) + "\\fR"; }
std::string italic(std::string_view s) { return "\\fI" + roff(s) + "\\fR"; }

std::string option_synopsis(const OptionSpec& o) {
  std::string s = bold(o.name);
  // An unbreakable space: an option and its value stay on one line.
  // A value glued to its name (-Wno-NAME) is written glued.
  if (o.value_optional) s += "\\ [" + italic(o.value_name) + "]";
  else if (!o.value_name.empty()) s += (o.prefix ? "" : "\\ ") + italic(o.value_name);
  return s;
}

std::string argument_synopsis(std::string_view arguments) {
  std::string s;
  for (std::string_view w : words(arguments)) {
    const bool optional = w.front() == '[';
    if (optional) w = w.substr(1, w.size() - 2);
    s += " " + std::string(optional ? "[" : "") + italic(w) + (optional ? "]" : "");
  }
  return s;
}

void man_synopsis(const CommandDescription& c, std::ostream& out) {
  out << ".B scenarioc" << (c.name.empty() ? "" : " " + roff(c.name)) << '\n';
  std::string rest = argument_synopsis(c.arguments);
  for (const OptionSpec& o : c.options) rest += " [" + option_synopsis(o) + "]";
  if (!rest.empty()) out << rest.substr(1) << '\n';
  out << ".br\n";
}

void man_options(const CommandDescription& c, std::ostream& out) {
  if (c.options.empty()) return;
  out << ".RS\n";
  for (const OptionSpec& o : c.options) {
    out << ".TP\n";
    if (!o.short_name.empty()) out << bold(o.short_name) << ", ";
    out << option_synopsis(o) << '\n' << roff(o.help) << '\n';
  }
  for (const auto& [a, b] : c.conflicts)
    out << ".PP\n" << bold(a) << " and " << bold(b) << " cannot be given together.\n";
  out << ".RE\n";
}

void man_command(const CommandDescription& c, std::ostream& out) {
  out << ".TP\n";
  if (c.name.empty()) out << "(no command)";
  else out << bold(c.name);
  out << argument_synopsis(c.arguments) << '\n';
  out << roff(c.summary) << ".\n";
  if (!c.details.empty()) out << roff(c.details) << '\n';
  man_options(c, out);
}

// ---- completion ----

std::string option_words(const CommandDescription& c) {
  std::string w;
  for (const OptionSpec& o : c.options) {
    w += std::string(o.name) + " ";
    if (!o.short_name.empty()) w += std::string(o.short_name) + " ";
  }
  return w + "--help";
}

std::string command_words(std::span<const CommandDescription> commands) {
  std::string w;
  for (const CommandDescription& c : commands)
    if (!c.name.empty()) w += std::string(c.name) + " ";
  return w + std::string(kHelpCommand);
}

// A bash word list in single quotes.
std::string quoted(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string bash_completion_call(Completion k) {
  switch (k) {
    case Completion::kDirectory: return "_scenarioc_directories";
    case Completion::kTextFile: return "_scenarioc_files";
    case Completion::kCommand: return "_scenarioc_words \"$commands\"";
    case Completion::kExplainKey: return "_scenarioc_words \"$codes\"";
    case Completion::kNothing: return "COMPREPLY=()";
  }
  return "COMPREPLY=()";
}

// The cases of a `case "$option" in` that completes each valued option.
void bash_value_cases(const CommandDescription& c, std::ostream& out) {
  for (const OptionSpec& o : c.options) {
    // An option whose value may be left out leaves the files to complete.
    if (o.value_name.empty() || o.value_optional) continue;
    out << "                " << o.name;
    if (!o.short_name.empty()) out << '|' << o.short_name;
    out << ") " << bash_completion_call(completion_of(o.value_name)) << "; return ;;\n";
  }
}

// zsh: text inside single quotes, with the brackets and colons of
// _arguments' own syntax escaped.
std::string zsh_text(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else if (c == '[' || c == ']' || c == ':') out += std::string("\\") + c;
    else out += c;
  }
  return out;
}

std::string zsh_action(Completion k, std::span<const CommandDescription> commands) {
  switch (k) {
    case Completion::kDirectory: return "_files -/";
    case Completion::kTextFile: return "_files";
    case Completion::kCommand: return "(" + zsh_text(command_words(commands)) + ")";
    case Completion::kExplainKey: return "(" + explain_keys() + ")";
    case Completion::kNothing: return " ";
  }
  return " ";
}

void zsh_option_specs(const CommandDescription& c, std::span<const CommandDescription> commands,
                      std::string_view indent, std::ostream& out) {
  for (const OptionSpec& o : c.options) {
    std::string spec;
    if (!o.short_name.empty())
      spec = "'(" + std::string(o.short_name) + " " + std::string(o.name) + ")'{" +
             std::string(o.short_name) + "," + std::string(o.name) + "}'";
    else
      spec = "'" + std::string(o.name);
    if (!o.value_name.empty() && o.short_name.empty()) spec += "=";
    spec += "[" + zsh_text(o.help) + "]";
    if (!o.value_name.empty())
      spec += (o.value_optional ? "::" : ":") + zsh_text(o.value_name) + ":" +
              zsh_action(completion_of(o.value_name), commands);
    out << indent << spec << "' \\\n";
  }
  out << indent << "'(- *)--help[the usage of this command]'";
}

}  // namespace

void write_man_page(std::span<const CommandDescription> commands, std::string_view version,
                    std::ostream& out) {
  out << ".\\\" The manual page of scenarioc, made from its command table.\n"
      << ".TH SCENARIOC 1 \"\" \"scenarioc " << roff(version) << "\" \"User Commands\"\n"
      // Left-aligned and unhyphenated: options and file names stay whole.
      << ".ad l\n.nh\n"
      << ".SH NAME\nscenarioc \\- the scenario compiler of a train\\-driving simulator\n"
      << ".SH SYNOPSIS\n";
  for (const CommandDescription& c : commands) man_synopsis(c, out);
  out << ".B scenarioc help\n[" << italic("COMMAND") << "]\n.br\n"
      << ".B scenarioc\n" << bold("--version") << '\n';

  out << ".SH DESCRIPTION\n"
      << roff("scenarioc compiles a scenario of a train-driving simulator: a line file, "
              "which describes the railway line, and a train file, which describes one "
              "train's run on it, become the three files the simulator reads: the line "
              "plan N_linea.dat, the timetable N_T.sim and the route N_T.dat, for the "
              "line N and the train T.")
      << "\n.PP\n"
      << roff("Without a command it runs the built-in scenario, the line Valdena and its "
              "train 704: it writes their sources and printed forms into the program's "
              "directory, compiles them there and deletes the sources again. A program "
              "installed on the system (by its package, or cmake --install) works in the "
              "current directory instead, never in its own folder such as /usr/bin; "
              "--dir names another. The commands serve authors of their own scenarios.")
      << "\n.PP\n"
      << roff("Every failure the compiler records is reported on standard error as "
              "FILE:LINE:COL: error CODE: MESSAGE, with the source line and a caret under "
              "the item at fault; compile then keeps the earlier compiled files unless "
              "--write-on-error is given (the built-in run writes them). Options take "
              "--opt value or --opt=value; -- ends the options.")
      << '\n';

  out << ".SH COMMANDS\n";
  for (const CommandDescription& c : commands) man_command(c, out);
  out << ".TP\n" << bold(kHelpCommand) << " [" << italic("COMMAND") << "]\n"
      << roff(kHelpSummary) << "; so does " << bold("--help") << " after any command.\n"
      << ".TP\n" << bold("--version") << "\n" << roff("prints the version.") << '\n';

  out << ".SH EXIT STATUS\n"
      << ".TP\n0\n" << roff("no failure was recorded.") << '\n'
      << ".TP\n1\n"
      << roff("failures were recorded and reported; the compiled files were written as "
              "they stand.")
      << '\n'
      << ".TP\n2\n"
      << roff("the run ended before writing any compiled file: a wrong command line, a "
              "missing or unusable line file, error 1250 or 1251, or a file that could not "
              "be written.")
      << '\n'
      << ".TP\n3\n"
      << roff("the files were replaced, but the report could not be written: standard "
              "output or standard error is a full device or a closed pipe.")
      << '\n';

  out << ".SH ERRORS\n"
      << roff("Each code below has a longer explanation, with its usual causes and a wrong "
              "row beside its fix:")
      << '\n' << ".B scenarioc explain\n" << italic("CODE") << ".\n";
  for (const Explanation* e : explanations_in_order())
    if (!warning_named(e->key))
      out << ".TP\n" << bold(e->key) << '\n' << roff(e->title) << '\n';

  out << ".SH WARNINGS\n"
      << roff("What the format accepts but an author almost surely did not mean. They never "
              "change a compiled file or the exit status; -Wno-NAME turns one off, --werror "
              "makes them fail the compile. Each has a longer explanation too:")
      << '\n' << ".B scenarioc explain\n" << italic("NAME") << ".\n";
  for (const Explanation* e : explanations_in_order())
    if (warning_named(e->key))
      out << ".TP\n" << bold(e->key) << '\n' << roff(e->title) << '\n';

  out << ".SH ENVIRONMENT\n"
      << ".TP\n" << bold("SCENARIOC_WINDOW") << '\n'
      << roff("console: the built-in run prints to the terminal instead of showing its "
              "window, even when it was not started from one.")
      << '\n'
      << ".TP\n" << bold("DISPLAY") << '\n'
      << roff("the X display of the built-in run's window; without one it prints instead.")
      << '\n';

  out << ".SH FILES\n"
      << ".TP\n" << italic("N") << roff("_linea.txt, ") << italic("N") << "_" << italic("T")
      << roff("-.txt") << '\n'
      << roff("the line file of the line N and the train file of its train T. compile and "
              "check take the names from them.")
      << '\n'
      << ".TP\n" << italic("N") << roff("_linea.dat, ") << italic("N") << "_" << italic("T")
      << roff(".sim, ") << italic("N") << "_" << italic("T") << roff(".dat") << '\n'
      << roff("the compiled line plan, timetable and route. Each is replaced whole: a "
              "failed write leaves the previous file as it was.")
      << '\n'
      << ".TP\n" << italic("N") << "_" << italic("T")
      << roff("_scheda_treno.txt, _rallentamenti.txt, _note.txt") << '\n'
      << roff("the blank printed forms of the built-in scenario, written by emit and the "
              "built-in run.")
      << '\n';

  out << ".SH SEE ALSO\n"
      << roff("The format guide format.md, in docs/ of the sources and in the installed "
              "documentation (share/doc/scenarioc), describes every section, keyword and "
              "value of the line and train files.")
      << '\n';
}

void write_bash_completion(std::span<const CommandDescription> commands, std::ostream& out) {
  out << "# bash completion for scenarioc, made from its command table.\n"
         "\n"
         "_scenarioc_words() {\n"
         "    local IFS=$' \\t\\n'\n"
         "    COMPREPLY=($(compgen -W \"$1\" -- \"$cur\"))\n"
         "}\n"
         "\n"
         "_scenarioc_directories() {\n"
         "    compopt -o filenames 2>/dev/null\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY=($(compgen -d -- \"$cur\"))\n"
         "}\n"
         "\n"
         "# Sources are text files; directories are offered on the way to them.\n"
         "_scenarioc_files() {\n"
         "    compopt -o filenames 2>/dev/null\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY=($(compgen -f -X '!*.[tT][xX][tT]' -- \"$cur\") $(compgen -d -- \"$cur\"))\n"
         "}\n"
         "\n"
         "_scenarioc() {\n"
         "    local cur=${COMP_WORDS[COMP_CWORD]} prev= prefix=\n"
         "    (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "    # --opt=value: bash splits the word at the \"=\" (COMP_WORDBREAKS);\n"
         "    # where it does not, the value is completed behind \"--opt=\".\n"
         "    if [[ $cur == = ]]; then\n"
         "        cur=\n"
         "    elif [[ $prev == = ]] && (( COMP_CWORD > 1 )); then\n"
         "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
         "    elif [[ $cur == --*=* ]]; then\n"
         "        prev=${cur%%=*}\n"
         "        prefix=$prev=\n"
         "        cur=${cur#*=}\n"
         "    fi\n"
         "    _scenarioc_complete\n"
         "    if [[ -n $prefix ]]; then\n"
         "        local k\n"
         "        for k in \"${!COMPREPLY[@]}\"; do COMPREPLY[k]=$prefix${COMPREPLY[k]}; done\n"
         "    fi\n"
         "}\n"
         "\n"
         "_scenarioc_complete() {\n"
         "    local commands="
      << quoted(command_words(commands)) << "\n    local codes=" << quoted(explain_keys())
      << "\n"
         "    local command=\n"
         "    (( COMP_CWORD > 1 )) && command=${COMP_WORDS[1]}\n"
         "    [[ $command == -* ]] && command=\n"
         "\n"
         "    # After `--` every word is a file.\n"
         "    local i\n"
         "    for (( i = 1; i < COMP_CWORD; i++ )); do\n"
         "        if [[ ${COMP_WORDS[i]} == -- ]]; then _scenarioc_files; return; fi\n"
         "    done\n"
         "\n"
         "    case $command in\n";
  for (const CommandDescription& c : commands) {
    out << "        " << (c.name.empty() ? "''" : std::string(c.name)) << ")\n";
    if (std::any_of(c.options.begin(), c.options.end(),
                    [](const OptionSpec& o) { return !o.value_name.empty(); })) {
      out << "            case $prev in\n";
      bash_value_cases(c, out);
      out << "            esac\n";
    }
    if (c.name.empty()) {
      // Only the first word can be a command.
      std::string top_options = option_words(c);
      for (std::string_view o : kTopOptions)
        if (top_options.find(std::string(o) + " ") == std::string::npos &&
            !top_options.ends_with(o))
          top_options += " " + std::string(o);
      out << "            if [[ $cur == -* ]]; then _scenarioc_words " << quoted(top_options)
          << "\n"
             "            elif (( COMP_CWORD == 1 )); then _scenarioc_words \"$commands\"\n"
             "            else COMPREPLY=(); fi\n";
    } else {
      const std::vector<std::string_view> args = words(c.arguments);
      out << "            if [[ $cur == -* ]]; then _scenarioc_words " << quoted(option_words(c))
          << "; return; fi\n";
      if (args.empty()) {
        out << "            COMPREPLY=()\n";
      } else {
        // The argument being completed: count the words before it that are
        // neither options nor their values.
        out << "            local n=0 j\n"
               "            for (( j = 2; j < COMP_CWORD; j++ )); do\n"
               "                case ${COMP_WORDS[j]} in\n";
        std::string valued;
        std::string optional;
        for (const OptionSpec& o : c.options)
          if (o.value_optional)
            optional += (optional.empty() ? "" : "|") + std::string(o.name);
        for (const OptionSpec& o : c.options)
          if (!o.value_name.empty() && !o.value_optional) {
            valued += (valued.empty() ? "" : "|") + std::string(o.name);
            if (!o.short_name.empty()) valued += "|" + std::string(o.short_name);
          }
        // A value given as --opt=value is split by bash into three words.
        if (!valued.empty())
          out << "                    " << valued
              << ")\n"
                 "                        if [[ ${COMP_WORDS[j+1]} == = ]]; then (( j += 2 )); "
                 "else (( j += 1 )); fi ;;\n";
        // A value that may be left out is one only when it is a number.
        if (!optional.empty())
          out << "                    " << optional
              << ")\n"
                 "                        if [[ ${COMP_WORDS[j+1]} == = ]]; then (( j += 2 )); "
                 "elif [[ ${COMP_WORDS[j+1]} =~ ^[0-9]+$ ]]; then (( j += 1 )); fi ;;\n";
        out << "                    -*) ;;\n"
               "                    *) (( n++ )) ;;\n"
               "                esac\n"
               "            done\n"
               "            case $n in\n";
        for (size_t k = 0; k < args.size(); ++k)
          out << "                " << k << ") " << bash_completion_call(completion_of(args[k]))
              << " ;;\n";
        out << "                *) COMPREPLY=() ;;\n"
               "            esac\n";
      }
    }
    out << "            ;;\n";
  }
  out << "        " << kHelpCommand << ")\n"
      << "            if (( COMP_CWORD == 2 )); then _scenarioc_words \"$commands\"; "
         "else COMPREPLY=(); fi\n"
      << "            ;;\n"
      << "        *)\n"
      << "            COMPREPLY=()\n"
      << "            ;;\n"
      << "    esac\n"
      << "}\n"
      << "complete -F _scenarioc scenarioc\n";
}

void write_zsh_completion(std::span<const CommandDescription> commands, std::ostream& out) {
  out << "#compdef scenarioc\n"
         "# zsh completion for scenarioc, made from its command table.\n"
         "\n"
         "_scenarioc() {\n"
         "  local curcontext=$curcontext state line ret=1\n"
         "  local -a commands\n"
         "  commands=(\n";
  for (const CommandDescription& c : commands)
    if (!c.name.empty())
      out << "    " << quoted(std::string(c.name) + ":" + std::string(c.summary)) << '\n';
  out << "    " << quoted(std::string(kHelpCommand) + ":" + std::string(kHelpSummary)) << '\n'
      << "  )\n";
  const CommandDescription* top = nullptr;
  for (const CommandDescription& c : commands)
    if (c.name.empty()) top = &c;
  out << "  _arguments -C \\\n";
  if (top) {
    zsh_option_specs(*top, commands, "    ", out);
    out << " \\\n";
  }
  out << "    '(- *)--version[the version]' \\\n"
         "    '1: :->command' \\\n"
         "    '*:: :->arguments' && ret=0\n"
         "  case $state in\n"
         "    command)\n"
         "      _describe -t commands 'scenarioc command' commands && ret=0\n"
         "      ;;\n"
         "    arguments)\n"
         "      case $words[1] in\n";
  for (const CommandDescription& c : commands) {
    if (c.name.empty()) continue;
    out << "        " << c.name << ")\n"
        << "          _arguments \\\n";
    zsh_option_specs(c, commands, "            ", out);
    const std::vector<std::string_view> args = words(c.arguments);
    for (size_t k = 0; k < args.size(); ++k) {
      std::string_view w = args[k];
      const bool optional = w.front() == '[';
      if (optional) w = w.substr(1, w.size() - 2);
      out << " \\\n            '" << k + 1 << ":" << (optional ? ":" : "") << zsh_text(w) << ":"
          << zsh_action(completion_of(w), commands) << "'";
    }
    out << " && ret=0\n          ;;\n";
  }
  out << "        " << kHelpCommand << ")\n"
      << "          _arguments '1::command:" << zsh_action(Completion::kCommand, commands)
      << "' && ret=0\n"
      << "          ;;\n"
      << "      esac\n"
      << "      ;;\n"
      << "  esac\n"
      << "  return ret\n"
      << "}\n"
      << "\n"
      << "_scenarioc \"$@\"\n";
}

}  // namespace scenarioc
