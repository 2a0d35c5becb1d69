#include "decompiler/fills.h"

#include <algorithm>

#include "model/route_rules.h"

namespace scenarioc {
namespace {

// The value a line gives for a stored byte: gradients are stored plus 100,
// speeds in fifths, adhesion as it is.
int32_t value_of(uint8_t b, FillField field) {
  switch (field) {
    case FillField::kGradient: return cell_gradient(b);
    case FillField::kSpeed: return cell_speed_kmh(b);
    case FillField::kAdhesion: return b;
  }
  return b;
}

}  // namespace

std::vector<FillLine> fill_lines(const std::vector<uint8_t>& bytes, FillField field, bool tail) {
  const int64_t last_cell = static_cast<int64_t>(bytes.size()) - 1;  // cell_count
  // A line's position must leave 100 m of route after it, so a line names
  // cells up to cell_count - 2 at most; the closing tail writes up to
  // cell_count - 3.
  const int64_t last_named = last_cell - 2;
  int64_t end = 0;  // cells 0 .. end - 1 are written
  for (int64_t c = last_cell; c >= 0; --c)
    if (bytes[static_cast<size_t>(c)] != 0) {
      end = c + 1;
      break;
    }
  // Speeds and adhesion start at 0: a field of zeros needs no line, the
  // tail writes them (gradients start at 0 per mille, stored as 100).
  if ((end == 0 && !tail) || (end == 0 && field != FillField::kGradient)) return {};
  if (tail) end = std::max(end, last_named);

  auto at = [&](int64_t c) { return value_of(bytes[static_cast<size_t>(c)], field); };
  std::vector<FillLine> lines;
  lines.push_back({0, at(0), false});  // a line at 0 writes nothing: it sets the first value
  const int64_t regular_end = std::min(end, last_named);
  for (int64_t c = 1; c < regular_end; ++c)
    if (bytes[static_cast<size_t>(c)] != bytes[static_cast<size_t>(c - 1)])
      lines.push_back({static_cast<int32_t>(50 * c), at(c), false});

  if (end <= last_named) {
    // Without the tail a last line carries the cells up to its own.
    if (!tail) lines.push_back({static_cast<int32_t>(50 * end), at(end - 1), false});
    return lines;
  }
  // Past the last cell a line may name, each further line writes one cell
  // at the cursor and moves it on.
  lines.push_back({static_cast<int32_t>(50 * last_named), at(last_named), false});
  const int64_t pushes_end = tail ? end - 1 : end;
  for (int64_t c = last_named; c < pushes_end; ++c)
    lines.push_back({50, c + 1 < end ? at(c + 1) : at(c), true});
  return lines;
}

}  // namespace scenarioc
