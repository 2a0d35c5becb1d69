// The lines of a recovered source and how they are written out.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "compiler/keywords.h"

namespace scenarioc {

// One line of a source. A line that only reproduces bytes carries `why`,
// written before it as a comment: a line of dashes and words, with no comma
// (which would split it into items) and no keyword of either file.
struct SourceLine {
  std::string text;
  std::string why;
};

struct SourceSection {
  std::string header;  // "[curve]"
  std::vector<SourceLine> lines;
};

// The file: the comment `heading` before "[generale]" (where the compiler
// reads nothing), then each section; CR LF after every line.
std::string render_source(const std::string& heading, const std::vector<SourceSection>& sections);

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Keys are written as the keyword table spells them, so that a source
// written here reads back through the same table.
// The header or key of `k`: "[curve]", "lunghezza percorso".
std::string key_of(Key k);
// A row: the key of `k`, then the values laid out by `fmt` (which starts
// with the comma after the key).
std::string keyed(Key k, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// The variant of `k` with this role (and value, for codes and classes);
// null when the table has none.
const KeyVariant* find_variant(const Keyword& k, VariantRole role, int value = 0);
// `key` with the first variant of one of `roles` it holds spelled as `to`;
// with `to` null, that variant and a blank after it are left out.
std::string swap_variant(std::string key, const Keyword& k,
                         std::initializer_list<VariantRole> roles, const KeyVariant* to);

}  // namespace scenarioc
