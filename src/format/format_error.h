// A compiled file that none of the encoders could have written: too short, a
// size no layout allows, or a tag or value that cannot stand where it does.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace scenarioc {

class FormatError : public std::runtime_error {
 public:
  // what() is "at byte OFFSET: MESSAGE".
  FormatError(uint64_t offset, const std::string& message)
      : std::runtime_error("at byte " + std::to_string(offset) + ": " + message), offset_(offset) {}
  uint64_t offset() const { return offset_; }

 private:
  uint64_t offset_;
};

}  // namespace scenarioc
