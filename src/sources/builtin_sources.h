// The built-in scenario as text: the line file (line "Valdena") and the
// train file (train "704"), each as the table of lines it is written from.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

// The tables, each closed by the end marker.
std::span<const std::string_view> line_source_table();
std::span<const std::string_view> train_source_table();

// Write L_linea.txt and L_T-.txt into `dir`.
void dati_linea(const std::string& line_name, const std::filesystem::path& dir);
void dati_treno(const std::string& line_name, const std::string& train_number,
                const std::filesystem::path& dir);

}  // namespace scenarioc
