// A runtime failure inside the parser: input that would reach outside a
// table, a value that does not fit its type, an item past the end of a file.
// It unwinds to the parser's failure handler, which records code 25; the
// writes made before it stay.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "model/scenario_tables.h"

namespace scenarioc {

class RuntimeFailure : public std::runtime_error {
 public:
  explicit RuntimeFailure(const std::string& what) : std::runtime_error(what) {}
  RuntimeFailure(const std::string& what, SourceLocation where)
      : std::runtime_error(what), where(std::move(where)) {}

  // The item at fault, when the failure knows it; otherwise the parser names
  // the line it was working on.
  std::optional<SourceLocation> where;
  // The reader itself failed, on the item at `where`: the file ended, or the
  // item was no number of its type.
  bool reading = false;
};

}  // namespace scenarioc
