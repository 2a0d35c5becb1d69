// A source file as the editor shows it, read row by row the way the
// compiler reads it: which item of a row is its key and which keyword that
// key is, which items are its values, which are comments, and which words
// match no key and are passed over. Hover, completion, the outline and the
// colours all stand on this view; the diagnostics come from the compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/keywords.h"
#include "compiler/source_input.h"

namespace scenarioc::lsp {

enum class ItemKind : unsigned char {
  kKey,        // a key the compiler acts on
  kHeader,     // a section header ("[segnali]")
  kUnknown,    // a word that matches no key: the compiler passes it over
  kComment,    // a comment item (it holds a dash), or text before [generale]
  kNumber,     // a value read as a number
  kText,       // a value read as a text (a station's name)
};

struct Item {
  size_t begin = 0, end = 0;  // bytes in the line, blanks left out
  ItemKind kind = ItemKind::kUnknown;
  int value = -1;  // the value's index among the keyword's values
};

struct Row {
  size_t line = 0;                 // 0-based
  const Keyword* key = nullptr;    // the keyword of its key, when it has one
  std::vector<Item> items;
  int section = -1;                // the index of the header above it
};

struct Section {
  size_t line = 0;
  std::string name;                // "[segnali]"
};

struct SourceView {
  SourceRole role = SourceRole::kTrain;
  std::vector<Row> rows;           // the lines that hold an item, in order
  std::vector<Section> sections;
  // The row on line `line`; null when the line holds nothing.
  const Row* row_at(size_t line) const;
  // The section (of the keyword table) a key typed on `line` is read in.
  KeySection section_at(size_t line) const;
};

// Which file a path names: N_linea.txt is a line file, N_T-.txt a train
// file; nothing for any other name.
std::optional<SourceRole> role_of_file(std::string_view file_name);

SourceView read_view(std::string_view text, SourceRole role);

// The whole number an item holds, when it is one ("-3", "  500").
std::optional<int64_t> number_of(std::string_view item);

}  // namespace scenarioc::lsp
