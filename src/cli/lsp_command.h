// `scenarioc lsp`: the language server on standard input and output, with
// the texts of `explain` and the guide for its hovers.
#pragma once

#include "cli/command_line.h"
#include "lsp/server.h"

namespace scenarioc {

// The texts of `explain` and the guide that the server shows on hover.
lsp::ReferenceTexts reference_texts();

int lsp_command(const Arguments& a, IO& io);

}  // namespace scenarioc
