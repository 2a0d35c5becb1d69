#include "sources/printed_forms.h"

#include "driver/file_names.h"
#include "sources/text_file.h"

namespace scenarioc {
namespace {

constexpr std::string_view kNotes[] = {kEndMarker};
constexpr std::string_view kSlowDown[] = {kEndMarker};
constexpr std::string_view kSheet[] = {kEndMarker};

}  // namespace

std::span<const std::string_view> notes_form_table() { return kNotes; }
std::span<const std::string_view> slow_down_form_table() { return kSlowDown; }
std::span<const std::string_view> train_sheet_table() { return kSheet; }

void dati_note(const std::string& L, const std::string& T,
               const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "note.txt"), notes_form_table());
}
void dati_rallentamenti(const std::string& L, const std::string& T,
                        const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "rallentamenti.txt"),
                  slow_down_form_table());
}
void dati_scheda(const std::string& L, const std::string& T,
                 const std::filesystem::path& dir) {
  write_text_file(dir / form_name(L, T, "scheda_treno.txt"), train_sheet_table());
}

}  // namespace scenarioc
