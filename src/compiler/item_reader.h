// Reads a text source as a sequence of items, the way scenario files are
// written: a key (text up to a comma or the end of the line), then values.
//
//  - Blanks are spaces and tabs; line ends are CR LF, LF or CR.
//  - A text item skips blanks, runs to the next comma or line end (consumed
//    with it) and loses its trailing blanks. A blank line is an empty item.
//  - A numeric item skips blanks and line ends, runs to the next blank,
//    comma or line end; then blanks are skipped and one comma or line end
//    right after them is consumed. An item empty because a comma follows
//    reads as 0. Otherwise it must be an optional "-" and decimal digits
//    within the range of its type.
//  - Reading when the read position stands at the end of the data, or a
//    number that does not fit, throws RuntimeFailure naming the item.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/scenario_tables.h"

namespace scenarioc {

class ItemReader {
 public:
  // `data` must outlive the reader. A UTF-8 byte-order mark is skipped.
  ItemReader(std::string_view data, std::string label);

  // The end of the file is reached once the read position stands at the end
  // of the data.
  bool at_end() const { return pos_ >= data_.size(); }

  // Text items are views into the data.
  std::string_view read_text();
  int32_t read_long();
  int16_t read_integer();
  uint8_t read_byte();

  // Where the item read last begins.
  SourceLocation last_location() const { return location_at(item_offset_, item_line_); }
  size_t last_offset() const { return item_offset_; }
  int last_line() const { return item_line_; }
  SourceLocation location_at(size_t offset, int line) const;

  const std::string& label() const { return label_; }

 private:
  int64_t read_number(int64_t min, int64_t max, const char* type_words);
  bool at_line_end() const;
  void skip_blanks();
  void consume_line_end();
  [[noreturn]] void fail(const std::string& message) const;

  std::string_view data_;
  std::string label_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t item_offset_ = 0;
  int item_line_ = 1;
};

}  // namespace scenarioc
