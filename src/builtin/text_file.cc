#include "builtin/text_file.h"

#include <stdexcept>

namespace scenarioc {

std::string text_file_bytes(std::span<const std::string_view> table) {
  std::string out;
  for (std::string_view entry : table) {
    if (entry == kEndMarker) return out;
    out.append(entry);
    out.append("\r\n");
  }
  throw std::logic_error("a text table without its end marker");
}

}  // namespace scenarioc
