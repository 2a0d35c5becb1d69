// The command line as a table: each command with its arguments, its options
// and a line of help. One parser reads every command's options from the
// table, in both spellings (`--dir X` and `--dir=X`), and the help pages are
// made from the same table, so the two cannot drift apart.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reference/command_description.h"

namespace scenarioc {

// What the parser made of one command's arguments.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // a flag maps to ""; the last value
  // Every value of every option, in the order given.
  std::map<std::string, std::vector<std::string>, std::less<>> all_values;

  bool has(std::string_view option) const { return options.find(option) != options.end(); }
  std::optional<std::string> value(std::string_view option) const;
  std::vector<std::string> values(std::string_view option) const;
};

struct IO {
  std::ostream& out;
  std::ostream& err;
  // Set by a command once it has put files in place: a report lost after
  // that must not read as "nothing replaced".
  bool replaced = false;
};

// A command of the table: its description and what runs it.
struct CommandSpec : CommandDescription {
  size_t min_positional = 0, max_positional = 0;
  std::function<int(const Arguments&, IO&)> run;
};

// Reads `args` against `spec`. Returns an error text, or nothing.
std::optional<std::string> parse_arguments(const CommandSpec& spec,
                                           std::span<const std::string> args,
                                           Arguments& parsed);

// `scenarioc help`: every command with its summary.
void print_overview(std::span<const CommandSpec> commands, std::ostream& out);
// `scenarioc help COMMAND`, `scenarioc COMMAND --help`.
void print_command_help(const CommandSpec& spec, std::ostream& out);

}  // namespace scenarioc
