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
  std::optional<std::string>& kept = read_text_[role == SourceRole::kLine ? 0 : 1];
  if (kept) return *kept;
  try {
    kept = read_file(of(role).path, kLargestSource);
  } catch (const FileError& e) {
    throw SourceUnreadable(e.reason());
  }
  return *kept;
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
