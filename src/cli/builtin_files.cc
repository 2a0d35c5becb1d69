#include "cli/builtin_files.h"

#include <span>
#include <string_view>

#include "builtin/builtin_sources.h"
#include "builtin/printed_forms.h"
#include "builtin/text_file.h"
#include "model/file_names.h"
#include "platform/file_io.h"
#include "platform/file_set.h"

namespace scenarioc {
namespace {

void write_text_file(const std::filesystem::path& path, std::span<const std::string_view> table) {
  replace_file(path, text_file_bytes(table));
}

}  // namespace

void dati_linea(const std::string& L, const std::filesystem::path& dir) {
  write_text_file(dir / line_source_name(L), line_source_table());
}

void dati_treno(const std::string& L, const std::string& T, const std::filesystem::path& dir) {
  write_text_file(dir / train_source_name(L, T), train_source_table());
}

void dati_note(const std::string& L, const std::string& T, const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "note.txt"), notes_form_table());
}

void dati_rallentamenti(const std::string& L, const std::string& T,
                        const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "rallentamenti.txt"), slow_down_form_table());
}

void dati_scheda(const std::string& L, const std::string& T, const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "scheda_treno.txt"), train_sheet_table());
}

std::vector<TextFile> builtin_text_files(const std::string& L, const std::string& T) {
  return {{line_source_name(L), text_file_bytes(line_source_table())},
          {train_source_name(L, T), text_file_bytes(train_source_table())},
          {form_name(L, T, "note.txt"), text_file_bytes(notes_form_table())},
          {form_name(L, T, "rallentamenti.txt"), text_file_bytes(slow_down_form_table())},
          {form_name(L, T, "scheda_treno.txt"), text_file_bytes(train_sheet_table())}};
}

void write_builtin_text_files(const std::string& L, const std::string& T,
                              const std::filesystem::path& dir) {
  // As one set, as emit writes them: a run stopped halfway never leaves a
  // new line source beside an earlier train source.
  FileSet set(dir);
  for (const TextFile& f : builtin_text_files(L, T)) set.add(f.name).write(f.bytes);
  set.install();
}

}  // namespace scenarioc
