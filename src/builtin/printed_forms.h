// The three blank printed forms that go with a scenario: the notes file, the
// slow-down order and the train sheet. Their text never changes; only the
// file names carry the line name and the train number.
#pragma once

#include <span>
#include <string_view>

namespace scenarioc {

std::span<const std::string_view> notes_form_table();
std::span<const std::string_view> slow_down_form_table();
std::span<const std::string_view> train_sheet_table();

}  // namespace scenarioc
