#include "sources/builtin_sources.h"

#include "driver/file_names.h"
#include "sources/text_file.h"

namespace scenarioc {

// The tables themselves live in line_source.cc and train_source.cc.

void dati_linea(const std::string& line_name, const std::filesystem::path& dir) {
  write_text_file(dir / line_source_name(line_name), line_source_table());
}

void dati_treno(const std::string& line_name, const std::string& train_number,
                const std::filesystem::path& dir) {
  write_text_file(dir / train_source_name(line_name, train_number),
                  train_source_table());
}

}  // namespace scenarioc
