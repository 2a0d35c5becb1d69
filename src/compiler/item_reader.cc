#include "compiler/item_reader.h"

#include "compiler/display_text.h"
#include "compiler/runtime_failure.h"

namespace scenarioc {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// Shows an item in a message without flooding the terminal.
std::string quoted(std::string_view item) { return "'" + shown_source(item) + "'"; }

// How much of a line a location keeps around its column.
constexpr size_t kBefore = 50, kAfter = 70;

}  // namespace

SourceLocation locate(std::string_view data, const std::string& label, size_t offset, int line) {
  if (offset > data.size()) offset = data.size();
  size_t begin = offset;
  while (begin > 0 && !is_line_end(data[begin - 1])) --begin;
  if (begin == 0 && offset >= 3 && data.substr(0, 3) == "\xEF\xBB\xBF") begin = 3;
  SourceLocation where;
  where.file = label;
  where.line = line;
  where.column = static_cast<int>(offset - begin) + 1;
  const size_t from = offset - begin > kBefore ? offset - kBefore : begin;
  size_t end = from;
  const size_t limit = offset + kAfter;
  while (end < data.size() && end < limit && !is_line_end(data[end])) ++end;
  where.text.assign(data.substr(from, end - from));
  where.text_column = static_cast<int>(from - begin) + 1;
  where.text_cut = end < data.size() && !is_line_end(data[end]);
  return where;
}

void ItemReader::resume_after_line(size_t offset, int line) {
  pos_ = offset < data_.size() ? offset : data_.size();
  line_ = line;
  while (pos_ < data_.size() && !is_line_end(data_[pos_])) ++pos_;
  if (pos_ < data_.size()) consume_line_end();
}

ItemReader::ItemReader(std::string_view data, std::string label)
    : data_(data), label_(std::move(label)) {
  if (data_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

bool ItemReader::at_line_end() const {
  return pos_ < data_.size() && is_line_end(data_[pos_]);
}

void ItemReader::skip_blanks() {
  while (pos_ < data_.size() && is_blank(data_[pos_])) ++pos_;
}

void ItemReader::consume_line_end() {
  if (data_[pos_] == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n')
    ++pos_;
  ++pos_;
  ++line_;
}

SourceLocation ItemReader::location_at(size_t offset, int line) const {
  return locate(data_, label_, offset, line);
}

void ItemReader::fail(const std::string& message) const {
  RuntimeFailure f(message, last_location());
  f.reading = true;
  throw f;
}

std::string_view ItemReader::read_text() {
  if (at_end()) {
    item_offset_ = pos_;
    item_line_ = line_;
    fail("the file ends where another item was expected");
  }
  skip_blanks();
  item_offset_ = pos_;
  item_line_ = line_;
  const size_t begin = pos_;
  while (pos_ < data_.size() && data_[pos_] != ',' && !is_line_end(data_[pos_]))
    ++pos_;
  size_t end = pos_;
  while (end > begin && is_blank(data_[end - 1])) --end;
  bool comma = false;
  if (pos_ < data_.size()) {
    comma = data_[pos_] == ',';
    if (comma) ++pos_;
    else consume_line_end();
  }
  if (end - begin > 65535) fail("a text longer than 65535 bytes");
  keep(0, begin, item_line_, 0, false, true, comma);
  return data_.substr(begin, end - begin);
}

int64_t ItemReader::read_number(int64_t min, int64_t max, const char* type_words) {
  if (at_end()) {
    item_offset_ = pos_;
    item_line_ = line_;
    fail(std::string("the file ends where ") + type_words + " was expected");
  }
  while (pos_ < data_.size() && (is_blank(data_[pos_]) || is_line_end(data_[pos_]))) {
    if (is_line_end(data_[pos_])) consume_line_end();
    else ++pos_;
  }
  item_offset_ = pos_;
  item_line_ = line_;
  if (at_end()) fail(std::string("the file ends where ") + type_words + " was expected");
  const size_t begin = pos_;
  if (data_[pos_] == ',') {  // an empty field reads as 0
    ++pos_;
    keep(0, begin, item_line_, 0, true, false, false);
    return 0;
  }
  while (pos_ < data_.size() && data_[pos_] != ',' && !is_blank(data_[pos_]) &&
         !is_line_end(data_[pos_]))
    ++pos_;
  const std::string_view item = data_.substr(begin, pos_ - begin);
  skip_blanks();
  uint32_t text_after = 0;
  if (pos_ < data_.size()) {
    if (data_[pos_] == ',') ++pos_;
    else if (is_line_end(data_[pos_])) consume_line_end();
    else if (pos_ - begin <= UINT32_MAX) text_after = static_cast<uint32_t>(pos_ - begin);
  }

  size_t i = 0;
  const bool negative = !item.empty() && item[0] == '-';
  if (negative) i = 1;
  if (i == item.size())
    fail("expected " + std::string(type_words) + ", found " + quoted(item));
  int64_t value = 0;
  for (; i < item.size(); ++i) {
    const char c = item[i];
    if (c < '0' || c > '9')
      fail("expected " + std::string(type_words) + ", found " + quoted(item));
    // Stop growing once far outside every type's range; the range test
    // below reports it.
    if (value <= (int64_t{1} << 40)) value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < min || value > max)
    fail(quoted(item) + " does not fit: expected " + type_words + " from " +
         std::to_string(min) + " to " + std::to_string(max));
  keep(value, begin, item_line_, text_after, false, false, false);
  return value;
}

int32_t ItemReader::read_long() {
  return static_cast<int32_t>(read_number(INT32_MIN, INT32_MAX, "a whole number"));
}

int16_t ItemReader::read_integer() {
  return static_cast<int16_t>(read_number(INT16_MIN, INT16_MAX, "a whole number"));
}

uint8_t ItemReader::read_byte() {
  return static_cast<uint8_t>(read_number(0, 255, "a whole number"));
}

}  // namespace scenarioc
