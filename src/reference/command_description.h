// What the reference tells of a command: its name, arguments, summary and
// options, as the help pages, the manual page and the shell completions
// show them. The command line's own table (src/cli/commands.cc) is made of
// these descriptions, each with what runs the command, so that the reference
// and the parser read one list.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace scenarioc {

struct OptionSpec {
  std::string_view name;        // "--dir"
  std::string_view value_name;  // "DIR"; empty for a flag
  std::string_view help;
  std::string_view short_name = {};  // "-o", when there is one
  // The value is glued to the name, as in -Wno-unknown-key; may be repeated.
  bool prefix = false;
  // The value may be left out (--serve, --serve 8080, --serve=8080); only
  // a number is then taken as its value, so that the files that follow the
  // option stay files. `value_name` is shown in brackets.
  bool value_optional = false;
};

struct CommandDescription {
  std::string_view name;       // empty: the run without a command
  std::string_view arguments;  // "LINE TRAIN"
  std::string_view summary;    // one line
  std::string_view details;    // a paragraph for `help COMMAND`, may be empty
  std::vector<OptionSpec> options;
  // Pairs of options that cannot be given together.
  std::vector<std::pair<std::string_view, std::string_view>> conflicts;
};

}  // namespace scenarioc
