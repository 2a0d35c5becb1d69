// The keyword and value tables of the format guide (docs/format.md), made
// from the keyword table the parsers and the "did you mean" warnings use, so
// that the guide names every key as the compiler reads it. Each table stands
// in the guide between `<!-- NAME:begin -->` and `<!-- NAME:end -->`.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace scenarioc {

// Every table of the guide: its marker name ("keywords:train",
// "values:segnale") and its Markdown, from a newline to a newline.
std::vector<std::pair<std::string, std::string>> format_guide_tables();

// The text between a table's markers in `doc`; nothing when the markers are
// missing, doubled or out of order.
std::optional<std::string> marked_text(const std::string& doc, const std::string& name);

// `doc` with every marked table replaced by the generated one. Returns
// nothing, with the marker's name in `missing`, when a pair of markers is
// not found.
std::optional<std::string> with_generated_tables(const std::string& doc, std::string& missing);

}  // namespace scenarioc
