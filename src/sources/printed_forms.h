// The three blank printed forms that go with a scenario: the notes file, the
// slow-down order and the train sheet. Their text never changes; only the
// file names carry the line name and the train number.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

std::span<const std::string_view> notes_form_table();
std::span<const std::string_view> slow_down_form_table();
std::span<const std::string_view> train_sheet_table();

void dati_note(const std::string& line_name, const std::string& train_number,
               const std::filesystem::path& dir);
void dati_rallentamenti(const std::string& line_name,
                        const std::string& train_number,
                        const std::filesystem::path& dir);
void dati_scheda(const std::string& line_name, const std::string& train_number,
                 const std::filesystem::path& dir);

}  // namespace scenarioc
