// The scenario as its author wrote it, row by row: every row whose key names
// a keyword, with the place of its key and of each of its fields. The checks
// on what a scenario means read this, after the compile, so that each can
// point at the row and the value the author would change.
//
// It reads a line at a time, the way an author reads the file: a row is the
// key and the fields after it on the same line, parted by commas (the clock
// by blanks too). A row whose fields do not make the keyword's values (one
// missing, a value that is no whole number) is kept with `whole` false; the
// compiler has told about its shape already, so the checks on meaning leave
// it out, and only the hints on foreign number shapes read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/keywords.h"
#include "compiler/source_input.h"

namespace scenarioc {

struct AuthoredField {
  std::string_view text;  // without the blanks around it
  size_t offset = 0;      // where `text` starts in the file
};

struct AuthoredRow {
  SourceRole file = SourceRole::kLine;
  const Keyword* keyword = nullptr;
  int line = 0;
  size_t offset = 0;  // where the key starts
  std::string_view key;
  std::vector<AuthoredField> fields;  // after the key, in order
  // The keyword's values: all of them whole numbers (the text last, when the
  // keyword takes one), read from the first fields.
  bool whole = false;
  std::vector<int64_t> values;
  std::string_view text;
  size_t text_offset = 0;

  Key id() const { return keyword->id; }
  // The place of value i (0-based), or of the key when there is no such field.
  size_t value_offset(size_t i) const { return i < fields.size() ? fields[i].offset : offset; }
};

struct AuthoredFile {
  std::string_view data;
  std::string label;
  bool read = false;
  std::vector<AuthoredRow> rows;  // in file order
};

// Reads the rows of one source whose key names a keyword of its file and
// section. Any byte sequence is read.
AuthoredFile read_authored(std::string_view data, std::string label, SourceRole role);

// Whether `text` is a whole number as the compiler reads one ("-" and
// digits), and its value; an empty text is 0.
bool whole_number(std::string_view text, int64_t& value);

}  // namespace scenarioc
