// What the compiler tells an author: where in a source a failure comes
// from, and the failure itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scenarioc {

// Where a recorded failure comes from in a source file.
struct SourceLocation {
  std::string file;   // as the user named it
  int line = 0;       // 1-based
  int column = 0;     // 1-based, the first byte of the item at fault
  // The source line, without its line end. A long one is kept only around
  // the item at fault, with "..." where it is cut: a file of one huge line
  // must not be copied whole into every failure and every report.
  std::string text;
  int text_column = 1;  // the column under the first byte of `text`
};

// How many bytes of a long line are kept on either side of the item.
constexpr size_t kQuotedReach = 100;

// Sets `where.text` and `where.text_column` from the whole line `line`, whose
// byte `offset` is the item at fault.
inline void quote_line(SourceLocation& where, std::string_view line, size_t offset) {
  if (line.size() <= 2 * kQuotedReach + 6) {
    where.text.assign(line);
    where.text_column = 1;
    return;
  }
  if (offset > line.size()) offset = line.size();
  size_t begin = offset > kQuotedReach + 3 ? offset - kQuotedReach : 0;
  const size_t end = line.size() - offset > kQuotedReach + 3 ? offset + kQuotedReach : line.size();
  where.text.clear();
  where.text_column = static_cast<int>(begin) + 1;
  if (begin > 0) {
    where.text = "...";
    where.text_column -= 3;
  }
  where.text.append(line.substr(begin, end - begin));
  if (end < line.size()) where.text += "...";
}

// A failure recorded during the run; the run goes on (the command line reports it).
struct Failure {
  int32_t code = 0;
  std::optional<int32_t> position;  // metres along the line
  std::string message;              // in words, for the scenario author
  std::optional<SourceLocation> where;
};

}  // namespace scenarioc
