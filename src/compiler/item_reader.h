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

// The place at `offset` of a source, on its line `line`, with a window of
// the line around it (a UTF-8 byte-order mark is not part of the line).
SourceLocation locate(std::string_view data, const std::string& label, size_t offset, int line);

// One value of the row being read, kept for the checks that follow the row.
struct RowValue {
  int64_t value = 0;
  size_t offset = 0;  // where the item starts
  int32_t line = 0;
  // How far after `offset` text stands right after the number, in the same
  // field (after blanks, before the next comma or line end); 0 when none.
  uint32_t text_after = 0;
  bool empty = false;  // an empty field, read as 0
  bool text = false;   // a text item
  bool ended_at_comma = false;  // a text item: it ended at a comma, not a line end
};

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
  std::string_view data() const { return data_; }
  size_t position() const { return pos_; }

  // The values read since start_row(), the first kRowValues of them; they
  // are kept only once keep_row_values() has been called (the checks of an
  // author's compile read them), but always counted.
  static constexpr int kRowValues = 24;
  void keep_row_values() { keeping_ = true; }
  void start_row() { row_count_ = 0; }
  int row_count() const { return row_count_; }
  const RowValue& row_value(int i) const { return row_[i]; }

  // Goes on at the start of the line after the one that holds `offset`,
  // which is line `line`.
  void resume_after_line(size_t offset, int line);

 private:
  int64_t read_number(int64_t min, int64_t max, const char* type_words);
  bool at_line_end() const;
  void skip_blanks();
  void consume_line_end();
  [[noreturn]] void fail(const std::string& message) const;
  // Written field by field into its place: a value built aside and copied
  // whole would stall on the copy, for every number of a file.
  void keep(int64_t value, size_t offset, int32_t line, uint32_t text_after, bool empty,
            bool text, bool comma) {
    if (keeping_ && row_count_ < kRowValues) {
      RowValue& v = row_[row_count_];
      v.value = value;
      v.offset = offset;
      v.line = line;
      v.text_after = text_after;
      v.empty = empty;
      v.text = text;
      v.ended_at_comma = comma;
    }
    ++row_count_;
  }

  std::string_view data_;
  std::string label_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t item_offset_ = 0;
  int item_line_ = 1;
  int row_count_ = 0;
  bool keeping_ = false;
  RowValue row_[kRowValues];
};

}  // namespace scenarioc
