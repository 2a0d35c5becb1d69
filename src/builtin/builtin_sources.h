// The built-in scenario as text: the line file (line "Valdena") and the
// train file (train "704"), each as the table of lines it is written from.
#pragma once

#include <span>
#include <string_view>

namespace scenarioc {

// The tables, each closed by the end marker.
std::span<const std::string_view> line_source_table();
std::span<const std::string_view> train_source_table();

}  // namespace scenarioc
