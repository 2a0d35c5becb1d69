#include "sources/text_file.h"

#include <stdexcept>

#include "driver/file_io.h"

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

void write_text_file(const std::filesystem::path& path,
                     std::span<const std::string_view> table) {
  replace_file(path, text_file_bytes(table));
}

}  // namespace scenarioc
