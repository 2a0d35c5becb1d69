// The built-in scenario's five text files written into a folder: its two
// sources and its three blank printed forms. Each replaces the file of that
// name. Throws FileError.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scenarioc {

// `dati_linea`: L_linea.txt.
void dati_linea(const std::string& line_name, const std::filesystem::path& dir);
// `dati_treno`: L_T-.txt.
void dati_treno(const std::string& line_name, const std::string& train_number,
                const std::filesystem::path& dir);
// `dati_note`, `dati_rallentamenti`, `dati_scheda`: the notes file, the
// slow-down order and the train sheet, L_T_note.txt and so on.
void dati_note(const std::string& line_name, const std::string& train_number,
               const std::filesystem::path& dir);
void dati_rallentamenti(const std::string& line_name, const std::string& train_number,
                        const std::filesystem::path& dir);
void dati_scheda(const std::string& line_name, const std::string& train_number,
                 const std::filesystem::path& dir);

// The five files' names and bytes, in the order below, for writing them as
// one set (emit).
struct TextFile {
  std::string name;
  std::string bytes;
};
std::vector<TextFile> builtin_text_files(const std::string& line_name,
                                         const std::string& train_number);

// All five, in that order, replacing the earlier ones as one set (file_set.h).
void write_builtin_text_files(const std::string& line_name, const std::string& train_number,
                              const std::filesystem::path& dir);

}  // namespace scenarioc
