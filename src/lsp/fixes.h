// The fixes an editor offers for a diagnostic ("code actions"): each says
// replace these bytes of a line with this text. A fix is offered only
// where it is certain what the author meant; each warning that has one
// names its maker in the table of fixes.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"

namespace scenarioc::lsp {

struct TextFix {
  std::string title;
  // The bytes [begin, end) of line `line` (0-based) of the document; a
  // line past the last stands for the end of the document.
  size_t line = 0, begin = 0, end = 0;
  std::string text;
  bool preferred = false;  // the one fix, rather than one of several
};

// `line_text` is the line of the document the diagnostic points at, `at`
// the byte where its item begins and `item_end` where it ends; `last_line`
// and `line_end` ("\r\n" or "\n") tell where the document ends.
struct FixPlace {
  std::string_view line_text;
  size_t line = 0, at = 0, item_end = 0;
  size_t last_line = 0;
  size_t last_line_length = 0;
  std::string_view line_end = "\n";
  bool ends_with_line_end = true;
};

std::vector<TextFix> fixes_for(const Diagnostic& d, const FixPlace& place);

// The names quoted after "did you mean" in a message, in order.
std::vector<std::string> suggestions_in(std::string_view message);

}  // namespace scenarioc::lsp
