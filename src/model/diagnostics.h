// What the compiler tells an author: where in a source a failure comes
// from, and the failure itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scenarioc {

// Where a recorded failure comes from in a source file.
struct SourceLocation {
  std::string file;   // as the user named it
  int line = 0;       // 1-based
  int column = 0;     // 1-based, the first byte of the item at fault
  std::string text;   // the whole source line, without its line end
};

// A failure recorded during the run; the run goes on (the command line reports it).
struct Failure {
  int32_t code = 0;
  std::optional<int32_t> position;  // metres along the line
  std::string message;              // in words, for the scenario author
  std::optional<SourceLocation> where;
};

}  // namespace scenarioc
