// The manual page and the shell completions of scenarioc, made from the
// command table (and the codes `explain` knows), so that they list exactly
// the commands and options the program takes.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "reference/command_description.h"

namespace scenarioc {

// scenarioc.1, in the man macros of groff.
void write_man_page(std::span<const CommandDescription> commands, std::string_view version,
                    std::ostream& out);

// A bash completion script that defines _scenarioc and registers it.
void write_bash_completion(std::span<const CommandDescription> commands, std::ostream& out);

// A zsh completion function, for a file named _scenarioc in $fpath.
void write_zsh_completion(std::span<const CommandDescription> commands, std::ostream& out);

}  // namespace scenarioc
