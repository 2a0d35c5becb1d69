#include "sources/builtin_sources.h"

#include "driver/file_names.h"
#include "sources/text_file.h"

namespace scenarioc {
namespace {

// Filled by the built-in content.
constexpr std::string_view kLineTable[] = {kEndMarker};
constexpr std::string_view kTrainTable[] = {kEndMarker};

}  // namespace

std::span<const std::string_view> line_source_table() { return kLineTable; }
std::span<const std::string_view> train_source_table() { return kTrainTable; }

void dati_linea(const std::string& line_name, const std::filesystem::path& dir) {
  write_text_file(dir / line_source_name(line_name), line_source_table());
}

void dati_treno(const std::string& line_name, const std::string& train_number,
                const std::filesystem::path& dir) {
  write_text_file(dir / train_source_name(line_name, train_number),
                  train_source_table());
}

}  // namespace scenarioc
