#include "compiler/item_reader.h"

#include "compiler/runtime_failure.h"

namespace scenarioc {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// Shows an item in a message without flooding the terminal.
std::string quoted(std::string_view item) {
  constexpr size_t kShown = 40;
  std::string out = "'";
  out.append(item.substr(0, kShown));
  if (item.size() > kShown) out += "...";
  return out + "'";
}

}  // namespace

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
  // The first line starts after a byte-order mark: the mark is no column.
  const size_t text_start = data_.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  size_t begin = offset;
  while (begin > text_start && !is_line_end(data_[begin - 1])) --begin;
  size_t end = offset;
  while (end < data_.size() && !is_line_end(data_[end])) ++end;
  SourceLocation where;
  where.file = label_;
  where.line = line;
  where.column = static_cast<int>(offset - begin) + 1;
  quote_line(where, data_.substr(begin, end - begin), offset - begin);
  return where;
}

void ItemReader::fail(const std::string& message) const {
  throw RuntimeFailure(message, last_location());
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
  if (pos_ < data_.size()) {
    if (data_[pos_] == ',') ++pos_;
    else consume_line_end();
  }
  if (end - begin > 65535) fail("a text longer than 65535 bytes");
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
  if (data_[pos_] == ',') {  // an empty field reads as 0
    ++pos_;
    return 0;
  }
  const size_t begin = pos_;
  while (pos_ < data_.size() && data_[pos_] != ',' && !is_blank(data_[pos_]) &&
         !is_line_end(data_[pos_]))
    ++pos_;
  const std::string_view item = data_.substr(begin, pos_ - begin);
  skip_blanks();
  if (pos_ < data_.size()) {
    if (data_[pos_] == ',') ++pos_;
    else if (is_line_end(data_[pos_])) consume_line_end();
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
