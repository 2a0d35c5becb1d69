#include "cli/lsp_command.h"

#include <iostream>
#include <sstream>

#include "reference/explain.h"
#include "lsp/server.h"
#include "platform/process.h"

namespace scenarioc {

lsp::ReferenceTexts reference_texts() {
  lsp::ReferenceTexts texts;
  texts.keyword = [](const Keyword& k) {
    std::ostringstream s;
    print_keyword(k, s);
    return s.str();
  };
  texts.explanation = [](std::string_view key) -> std::optional<std::string> {
    const Explanation* e = find_explanation(key);
    if (!e) return std::nullopt;
    std::ostringstream s;
    print_explanation(*e, s);
    return s.str();
  };
  return texts;
}

int lsp_command(const Arguments&, IO& io) {
  // Standard output carries the protocol alone: the server writes to it
  // and to nothing else, and standard input is read on its own thread.
  binary_standard_streams();
  std::ios::sync_with_stdio(false);
  return lsp::serve(std::cin, io.out, reference_texts(), SCENARIOC_VERSION);
}

}  // namespace scenarioc
