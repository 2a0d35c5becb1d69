// The lines of a recovered source and how they are written out.
#pragma once

#include <string>
#include <vector>

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

}  // namespace scenarioc
