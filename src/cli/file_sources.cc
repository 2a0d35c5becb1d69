#include "cli/file_sources.h"

#include "platform/file_io.h"

namespace scenarioc {

bool FileSources::exists(SourceRole role) const {
  if (of(role).text) return true;
  std::error_code ec;
  return std::filesystem::is_regular_file(of(role).path, ec);
}

std::string_view FileSources::read(SourceRole role) {
  if (of(role).text) return *of(role).text;
  try {
    read_text_ = read_file(of(role).path, kLargestSource);
  } catch (const FileError& e) {
    throw SourceUnreadable(e.reason());
  }
  return read_text_;
}

std::optional<std::string> FileSources::release(SourceRole role) {
  if (!consume_) return std::nullopt;
  try {
    delete_file(of(role).path);
  } catch (const FileError& e) {
    return "cannot delete " + of(role).label + ": " + e.reason();
  }
  return std::nullopt;
}

}  // namespace scenarioc
