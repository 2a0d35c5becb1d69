// `scenarioc lsp`: the language server on standard input and output, with
// the texts of `explain` and the guide for its hovers.
#pragma once

#include "cli/command_line.h"

namespace scenarioc {

int lsp_command(const Arguments& a, IO& io);

}  // namespace scenarioc
